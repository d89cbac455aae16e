// Shared by the MIME fuzz targets: a check that stops the run on a broken promise even in builds
// without assert, and the codec round trip. Buffers are exactly as large as the data or the bound
// (the unit tests' helpers), so AddressSanitizer sees any access past them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/plugin/mime/MimeTestSupport.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Decodes hostile bytes into exactly the bound and into size / `shortDivisor` bytes, which must
// truncate rather than overrun; then encodes the result in both modes of SetLineBreak, decoding
// must give it back, and `check(lineBreak, decoded, encoded)` may check more.
template <class Codec, class Check>
int FuzzCodec(const std::uint8_t* data, size_t size, size_t shortDivisor, Check check) {
    if (size > (1u << 20))
        return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    Codec codec;
    const std::string decoded = mimetest::Convert(codec, input, false);
    const mimetest::ExactCopy copy(input);
    codec.SetInput(copy.bytes.get(), copy.length, false);
    const int shortSize = static_cast<int>(size / shortDivisor);
    FUZZ_CHECK(codec.Decode(mimetest::ExactBuffer(shortSize).get(), shortSize) <= shortSize);
    for (bool lineBreak : {false, true}) {
        codec.SetLineBreak(lineBreak);
        const std::string encoded = mimetest::Convert(codec, decoded, true);
        FUZZ_CHECK(mimetest::Convert(codec, encoded, false) == decoded);
        check(lineBreak, decoded, encoded);
    }
    return 0;
}
