// Shared helpers of the MIME fuzz targets: exact-size heap copies of the input (no terminating
// NUL, so AddressSanitizer sees any read past the data) and a check that stops the run on a
// broken promise even in builds without assert.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// A buffer of exactly `size` bytes (at least one, so the pointer is never null).
inline std::unique_ptr<char[]> ExactBuffer(size_t size) {
    return std::unique_ptr<char[]>(new char[size > 0 ? size : 1]);
}

struct FuzzBuffer {
    explicit FuzzBuffer(const std::string& data)
        : bytes(ExactBuffer(data.size())), length(static_cast<int>(data.size())) {
        data.copy(bytes.get(), data.size());
    }
    FuzzBuffer(const std::uint8_t* data, size_t size)
        : FuzzBuffer(std::string(reinterpret_cast<const char*>(data), size)) {}
    std::unique_ptr<char[]> bytes;
    int length;
};

// Runs `codec` over an exact-size copy of `input` into a buffer of exactly its bound and checks
// that it stays within it.
inline std::string ConvertExactly(CMimeCodeBase& codec, const std::string& input, bool encode) {
    const FuzzBuffer data(input);
    codec.SetInput(data.bytes.get(), data.length, encode);
    const int bound = codec.GetOutputLength();
    auto out = ExactBuffer(bound);
    const int written = codec.GetOutput(out.get(), bound);
    FUZZ_CHECK(written >= 0 && written <= bound);
    return std::string(out.get(), written);
}

// Decodes hostile `input` into exactly the bound, and again into a buffer of `shortSize` bytes,
// which must truncate rather than overrun. Returns the full decoding.
inline std::string DecodeHostile(CMimeCodeBase& codec, const std::string& input, int shortSize) {
    const std::string decoded = ConvertExactly(codec, input, false);
    const FuzzBuffer data(input);
    codec.SetInput(data.bytes.get(), data.length, false);
    auto shortBuffer = ExactBuffer(shortSize);
    FUZZ_CHECK(codec.Decode(shortBuffer.get(), shortSize) <= shortSize);
    return decoded;
}

// Encodes `plain` within the bound and checks that decoding gives it back unchanged; returns the
// encoding.
inline std::string EncodeRoundTrip(CMimeCodeBase& codec, const std::string& plain) {
    const std::string encoded = ConvertExactly(codec, plain, true);
    FUZZ_CHECK(ConvertExactly(codec, encoded, false) == plain);
    return encoded;
}
