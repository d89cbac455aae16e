// What a deflated upload block holds, for comparing it with the bytes read from the file.
#pragma once

#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

// `data` inflated (zlib format); `capacity` bounds the result. A stream that does not inflate
// fails the calling test.
inline std::string inflated(const std::string& data, size_t capacity = 16 << 20) {
    std::string out(capacity, '\0');
    uLongf length = out.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &length,
                         reinterpret_cast<const Bytef*>(data.data()), data.size()),
              Z_OK);
    out.resize(length);
    return out;
}
