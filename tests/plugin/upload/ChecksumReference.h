// Whole-message checksums from code that shares nothing with ours (a bitwise CRC and OpenSSL's
// digests) that the streaming checksum classes are compared with; and the test data they run on.
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace reference {

using Bytes = std::vector<unsigned char>;

// Bit by bit, register starting at 0xFFFFFFFF and never inverted.
uint32_t crc32Register(const Bytes& message);

Bytes md5(const Bytes& message);
Bytes sha1(const Bytes& message);

// The same pseudo-random bytes for the same seed on every run.
Bytes randomBytes(size_t count, uint32_t seed);

} // namespace reference
