#include "plugin/upload/TCRCManager.h"

#include <algorithm>

#include <boost/make_shared.hpp>

#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TMD5Checksum.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/TSHA1Checksum.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"

namespace {
// The page states the length; memory is committed as bytes arrive, not on its word.
constexpr unsigned long long kMaxReserve = 64ULL << 20;
} // namespace

TCRCManager::TCRCManager(int algorithm) : m_crc(makeAlgorithm(algorithm)) {
    registerMethod("update", FB::make_method(this, &TCRCManager::crc_update));
    registerMethod("update_str", FB::make_method(this, &TCRCManager::crc_update_str));
    registerMethod("update_blob", FB::make_method(this, &TCRCManager::crc_update_blob));
    registerMethod("finish", FB::make_method(this, &TCRCManager::crc_finish));
    registerMethod("reset", FB::make_method(this, &TCRCManager::crc_reset));
    registerMethod("result", FB::make_method(this, &TCRCManager::crc_result));
}

boost::shared_ptr<TCRCBase> TCRCManager::makeAlgorithm(int selector) {
    switch (selector) {
    case 0:
        return boost::make_shared<TCRC32>();
    case 1:
        return boost::make_shared<TMD5Checksum>();
    case 2:
        return boost::make_shared<TSHA1Checksum>();
    default:
        return boost::make_shared<TNvxChecksum>();
    }
}

void TCRCManager::crc_update(const std::vector<unsigned char>& data) {
    m_crc->write(data.data(), data.size());
}

void TCRCManager::crc_update_str(const std::string& text) {
    m_crc->write(text.data(), text.size());
}

void TCRCManager::crc_update_blob(const FB::JSObjectPtr& blob, unsigned long blockSize) {
    if (!blob || !blob->HasProperty("length")) {
        throw FB::script_error("object does not have property length");
    }
    if (!blob->HasProperty("getBytes")) {
        throw FB::script_error("object does not have property getBytes");
    }
    auto length = blob->GetProperty("length").convert_cast<unsigned long long>();
    if (blockSize == 0 && length > 0) {
        // A block size of 0 would never advance.
        throw FB::script_error("block size must be above 0");
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(std::min(length, kMaxReserve));
    for (unsigned long long offset = 0; offset < length;) {
        unsigned long long count = std::min<unsigned long long>(length - offset, blockSize);
        FB::variant piece = blob->Invoke("getBytes", FB::VariantList{offset, count});
        std::vector<unsigned char> data = piece.convert_cast<std::vector<unsigned char>>();
        bytes.insert(bytes.end(), data.begin(), data.end());
        offset += count;
    }
    m_crc->write(bytes.data(), bytes.size());
}

void TCRCManager::crc_finish() {
    m_crc->flush();
}

void TCRCManager::crc_reset() {
    m_crc->reset();
}

std::string TCRCManager::crc_result() {
    return m_crc->result();
}
