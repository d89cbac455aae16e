// Streaming CRC-32, MD5 and SHA-1 over the bytes of one attachment, and the texts the upload
// protocol declares them in: "crc" (CRC-32 as a signed decimal) and "crc2" (Base64 of the MD5
// digest followed by the SHA-1 digest).
// Thread contract: not thread-safe; the owner serialises every call. Move-only (owns OpenSSL
// digest contexts).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace nvmaild {

class UploadDigest {
public:
    // Throws std::runtime_error when OpenSSL cannot make its contexts (out of memory).
    UploadDigest();
    UploadDigest(UploadDigest&&) noexcept = default;
    UploadDigest& operator=(UploadDigest&&) noexcept = default;
    UploadDigest(const UploadDigest&) = delete;
    UploadDigest& operator=(const UploadDigest&) = delete;
    ~UploadDigest();

    void update(std::string_view bytes);
    // Back to the state of no bytes.
    void reset();

    // The values of the bytes so far; reading them does not end the stream.
    std::int32_t crc() const;
    std::string crc2() const;

    // True when the bytes so far have the declared CRC-32 and, when one was declared, the
    // declared "crc2".
    bool matches(std::int32_t crc, const std::string& crc2) const;

private:
    struct ContextFree {
        void operator()(evp_md_ctx_st* context) const;
    };
    using Context = std::unique_ptr<evp_md_ctx_st, ContextFree>;

    unsigned long m_crc;
    Context m_md5;
    Context m_sha1;
};

// SHA-1 in lower-case hex of the first `length` bytes of a file, read back from disk so that
// what was really written is checked, independently of the digests kept while writing.
// Returns nullopt when the file cannot be opened or holds fewer bytes.
std::optional<std::string> fileSha1Hex(const std::string& path, std::uint64_t length);

} // namespace nvmaild
