#include "tests/plugin/upload/ChecksumReference.h"

#include <random>
#include <stdexcept>

#include <openssl/evp.h>

namespace reference {

uint32_t crc32Register(const Bytes& message) {
    uint32_t crc = 0xffffffff;
    for (unsigned char byte : message) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
    }
    return crc;
}

namespace {

Bytes digest(const EVP_MD* type, const Bytes& message) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    if (EVP_Digest(message.data(), message.size(), out.data(), &size, type, nullptr) != 1)
        throw std::runtime_error("EVP_Digest failed");
    out.resize(size);
    return out;
}

} // namespace

Bytes md5(const Bytes& message) {
    return digest(EVP_md5(), message);
}

Bytes sha1(const Bytes& message) {
    return digest(EVP_sha1(), message);
}

Bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

} // namespace reference
