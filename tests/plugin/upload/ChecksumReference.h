// Textbook whole-message checksums, written for plain correctness rather than speed, that the
// streaming checksum classes are compared with; the test data they run on; and a short way to
// checksum one message.
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TCRCBase;

namespace reference {

using Bytes = std::vector<unsigned char>;

// Bit by bit, register starting at 0xFFFFFFFF and never inverted.
uint32_t crc32Register(const Bytes& message);

// RFC 1321, with the constants derived from sin() as the RFC defines them.
Bytes md5(const Bytes& message);

// FIPS 180-1, with the full eighty-word schedule.
Bytes sha1(const Bytes& message);

// Writes `message` in one call, finishes and returns the text result.
std::string finishedResult(TCRCBase& checksum, const std::string& message);

// The same pseudo-random bytes for the same seed on every run.
Bytes randomBytes(size_t count, uint32_t seed);

} // namespace reference
