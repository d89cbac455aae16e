// The text forms in which the checksum objects hand out their digests. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string>

namespace checksum {

// Two lower-case hexadecimal characters per byte, bytes in order.
std::string lowerHex(const unsigned char* bytes, size_t count);

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string base64(const unsigned char* bytes, size_t count);

} // namespace checksum
