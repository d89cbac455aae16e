// A store in a temporary folder with the upload service over it, and short steps that speak the
// protocol as the plug-in does: the form it sends, the block URL it builds, and its reading of
// every answer.
#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/tools/nvmaild/PluginProtocol.h"
#include "tools/nvmaild/AttachmentStore.h"
#include "tools/nvmaild/QueryParams.h"
#include "tools/nvmaild/TemporaryFolder.h"
#include "tools/nvmaild/UploadService.h"

namespace nvmaild::test {

// A zlib stream, as the plug-in sends a deflated block.
inline std::string deflate(const std::string& plain) {
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(plain.data()), static_cast<uLong>(plain.size()),
                  6) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

class UploadFixture : public ::testing::Test {
protected:
    std::string queryText(const FileForm& file, const std::string& urlQuery = "") {
        return service.query(QueryParams::parse(urlQuery), QueryParams::parse(formFor(file)));
    }

    QueryStep query(const FileForm& file, const std::string& urlQuery = "") {
        return readQuery(queryText(file, urlQuery), file.content.size());
    }

    // The id of a new attachment for `content`; fails the test when the query is refused.
    std::string startUpload(const std::string& content, const std::string& urlQuery = "") {
        const QueryStep outcome = query(FileForm{content}, urlQuery);
        EXPECT_EQ(0, outcome.error) << outcome.errorText;
        return outcome.attachId.value_or("");
    }

    // The answer to a block request with the URL parameters `url`.
    std::string blockText(const std::string& url, const std::string& body, bool storeHalf = false) {
        UploadService::BlockStart start = service.beginBlock(QueryParams::parse(url));
        return start.ticket ? service.finishBlock(*start.ticket, body, storeHalf) : start.refusal;
    }

    static std::string blockUrl(const std::string& attachId, std::uint64_t offset,
                                bool deflated = false) {
        return "offset=" + std::to_string(offset) + "&attachId=" + attachId +
               (deflated ? "&contentEncoding=deflate" : "");
    }

    // Sends the block of `content` at `offset` as the plug-in would and reads the answer.
    BlockStep sendBlock(const std::string& attachId, const std::string& content,
                        std::uint64_t offset, std::uint64_t blockSize, bool deflated = false,
                        bool storeHalf = false) {
        const std::string block = content.substr(offset, blockSize);
        const std::string text = blockText(blockUrl(attachId, offset, deflated),
                                           deflated ? deflate(block) : block, storeHalf);
        return readBlock(text, content.size(), offset + block.size());
    }

    std::uint64_t held(const std::string& attachId) {
        return store.find(attachId)->snapshot().held;
    }

    std::string stored(const std::string& attachId) {
        const auto attachment = store.find(attachId);
        std::ifstream file(attachment->dataPath(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return bytes.substr(0, attachment->snapshot().held);
    }

    bool setLimit(const std::string& key, const std::string& value) {
        return service.updateLimits([&](Limits& limits) {
            std::string error;
            return nvmaild::setLimit(limits, key, value, error);
        });
    }

    static std::string patterned(size_t size) {
        std::string bytes(size, '\0');
        std::uint32_t state = 12345;
        for (char& c : bytes) {
            state = state * 1103515245 + 12345;
            c = static_cast<char>(state >> 16);
        }
        return bytes;
    }

    TemporaryFolder folder{"nvmaild-test-"};
    AttachmentStore store{folder.path()};
    UploadService service{store, Limits{}};
};

} // namespace nvmaild::test
