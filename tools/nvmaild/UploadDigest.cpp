#include "tools/nvmaild/UploadDigest.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

#include <openssl/evp.h>
#include <zlib.h>

namespace nvmaild {

namespace {

// zlib's crc32 takes an unsigned int length; larger buffers go in pieces.
constexpr size_t kCrcPiece = 1u << 30;

void startDigest(EVP_MD_CTX* context, const EVP_MD* type) {
    if (EVP_DigestInit_ex(context, type, nullptr) != 1)
        throw std::runtime_error("digest initialisation failed");
}

std::string finishCopy(const EVP_MD_CTX* context) {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> copy(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), context) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest, &size) != 1)
        throw std::runtime_error("digest copy failed");
    return std::string(reinterpret_cast<const char*>(digest), size);
}

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

} // namespace

void UploadDigest::ContextFree::operator()(evp_md_ctx_st* context) const {
    EVP_MD_CTX_free(context);
}

UploadDigest::UploadDigest()
    : m_crc(crc32(0L, Z_NULL, 0)), m_md5(EVP_MD_CTX_new()), m_sha1(EVP_MD_CTX_new()) {
    if (!m_md5 || !m_sha1)
        throw std::runtime_error("digest context allocation failed");
    startDigest(m_md5.get(), EVP_md5());
    startDigest(m_sha1.get(), EVP_sha1());
}

UploadDigest::~UploadDigest() = default;

void UploadDigest::update(std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const size_t piece = std::min(kCrcPiece, bytes.size() - done);
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(bytes.data() + done),
                      static_cast<uInt>(piece));
        done += piece;
    }
    if (EVP_DigestUpdate(m_md5.get(), bytes.data(), bytes.size()) != 1 ||
        EVP_DigestUpdate(m_sha1.get(), bytes.data(), bytes.size()) != 1)
        throw std::runtime_error("digest update failed");
}

void UploadDigest::reset() {
    m_crc = crc32(0L, Z_NULL, 0);
    startDigest(m_md5.get(), EVP_md5());
    startDigest(m_sha1.get(), EVP_sha1());
}

std::int32_t UploadDigest::crc() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_crc));
}

std::string UploadDigest::crc2() const {
    const std::string both = finishCopy(m_md5.get()) + finishCopy(m_sha1.get());
    // 36 digest bytes make exactly 48 Base64 characters, without padding.
    std::string text(4 * ((both.size() + 2) / 3), '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                        reinterpret_cast<const unsigned char*>(both.data()),
                                        static_cast<int>(both.size()));
    text.resize(static_cast<size_t>(written));
    return text;
}

bool UploadDigest::matches(std::int32_t crc, const std::string& crc2) const {
    return this->crc() == crc && (crc2.empty() || this->crc2() == crc2);
}

std::optional<std::string> fileSha1Hex(const std::string& path, std::uint64_t length) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) == 1;
    std::vector<char> buffer(1 << 20);
    std::uint64_t done = 0;
    while (ok && done < length) {
        const size_t want =
            static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), length - done));
        const ssize_t got = ::pread(fd, buffer.data(), want, static_cast<off_t>(done));
        if (got <= 0) {
            ok = false;
            break;
        }
        ok = EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(got)) == 1;
        done += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return hex(finishCopy(context.get()));
}

} // namespace nvmaild
