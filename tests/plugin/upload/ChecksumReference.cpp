#include "tests/plugin/upload/ChecksumReference.h"

#include <cmath>
#include <random>

#include "plugin/upload/TCRCBase.h"

namespace reference {

namespace {

uint32_t rotl(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

// The message followed by 0x80, zeros up to 56 bytes modulo 64 and the eight length bytes.
Bytes padded(const Bytes& message, bool bigEndianLength) {
    Bytes out = message;
    out.push_back(0x80);
    while (out.size() % 64 != 56)
        out.push_back(0);
    const uint64_t bits = uint64_t{message.size()} * 8;
    for (int i = 0; i < 8; ++i) {
        const int shift = bigEndianLength ? 56 - 8 * i : 8 * i;
        out.push_back(static_cast<unsigned char>(bits >> shift));
    }
    return out;
}

} // namespace

uint32_t crc32Register(const Bytes& message) {
    uint32_t crc = 0xffffffff;
    for (unsigned char byte : message) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
    }
    return crc;
}

Bytes md5(const Bytes& message) {
    static const int shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                   5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                   4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                   6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    uint32_t sines[64];
    for (int i = 0; i < 64; ++i)
        sines[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const Bytes data = padded(message, false);
    for (size_t block = 0; block < data.size(); block += 64) {
        uint32_t m[16];
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p = &data[block + 4 * i];
            m[i] = p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const uint32_t sum = a + f + sines[i] + m[g];
            a = d;
            d = c;
            c = b;
            b = b + rotl(sum, shifts[i]);
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    Bytes digest;
    for (uint32_t word : h) {
        for (int i = 0; i < 4; ++i)
            digest.push_back(static_cast<unsigned char>(word >> (8 * i)));
    }
    return digest;
}

Bytes sha1(const Bytes& message) {
    uint32_t h[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    const Bytes data = padded(message, true);
    for (size_t block = 0; block < data.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p = &data[block + 4 * i];
            w[i] = uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
        }
        for (int i = 16; i < 80; ++i)
            w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5a827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ed9eba1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8f1bbcdc;
            } else {
                f = b ^ c ^ d;
                k = 0xca62c1d6;
            }
            const uint32_t temp = rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotl(b, 30);
            b = a;
            a = temp;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    Bytes digest;
    for (uint32_t word : h) {
        for (int i = 3; i >= 0; --i)
            digest.push_back(static_cast<unsigned char>(word >> (8 * i)));
    }
    return digest;
}

std::string finishedResult(TCRCBase& checksum, const std::string& message) {
    checksum.write(message.data(), message.size());
    checksum.flush();
    return checksum.result();
}

Bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

} // namespace reference
