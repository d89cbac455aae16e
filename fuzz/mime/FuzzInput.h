// Shared helpers of the MIME fuzz targets: an exact-size heap copy of the input (no terminating
// NUL, so AddressSanitizer sees any read past the data) and a check that stops the run on a
// broken promise even in builds without assert.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "plugin/mime/MimeCodeBase.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

struct FuzzBuffer {
    FuzzBuffer(const std::uint8_t* data, size_t size)
        : bytes(new char[size > 0 ? size : 1]), length(static_cast<int>(size)) {
        if (size > 0)
            std::memcpy(bytes.get(), data, size);
    }
    std::unique_ptr<char[]> bytes;
    int length;
};

// A buffer of exactly `size` bytes (at least one, so the pointer is never null).
inline std::unique_ptr<char[]> ExactBuffer(int size) {
    return std::unique_ptr<char[]>(new char[size > 0 ? size : 1]);
}

// Runs `codec` over `length` bytes at `data` into a buffer of exactly its bound and checks that
// it stays within it.
inline std::string ConvertExactly(CMimeCodeBase& codec, const char* data, int length, bool encode) {
    codec.SetInput(data, length, encode);
    const int bound = codec.GetOutputLength();
    auto out = ExactBuffer(bound);
    const int written = codec.GetOutput(out.get(), bound);
    FUZZ_CHECK(written >= 0 && written <= bound);
    return std::string(out.get(), written);
}

// Decodes hostile `input` into exactly the bound, and again into a buffer of `shortSize` bytes,
// which must truncate rather than overrun. Returns the full decoding.
inline std::string DecodeHostile(CMimeCodeBase& codec, const FuzzBuffer& input, int shortSize) {
    const std::string decoded = ConvertExactly(codec, input.bytes.get(), input.length, false);
    auto shortBuffer = ExactBuffer(shortSize);
    FUZZ_CHECK(codec.Decode(shortBuffer.get(), shortSize) <= shortSize);
    return decoded;
}

// Encodes `plain` within the bound and checks that decoding gives it back unchanged; returns the
// encoding.
inline std::string EncodeRoundTrip(CMimeCodeBase& codec, const std::string& plain) {
    const FuzzBuffer data(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size());
    const std::string encoded = ConvertExactly(codec, data.bytes.get(), data.length, true);
    const FuzzBuffer wire(reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size());
    FUZZ_CHECK(ConvertExactly(codec, wire.bytes.get(), wire.length, false) == plain);
    return encoded;
}
