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
