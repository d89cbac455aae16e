// zlib streams as the plug-in sends deflated blocks, for the tests.
#pragma once

#include <stdexcept>
#include <string>

#include <zlib.h>

namespace nvmaild::test {

inline std::string deflate(const std::string& plain, int level = 6) {
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(plain.data()), static_cast<uLong>(plain.size()),
                  level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

} // namespace nvmaild::test
