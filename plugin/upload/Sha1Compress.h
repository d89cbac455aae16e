// The block functions of SHA-1: each advances a five-word state over `count` consecutive 64-byte
// blocks. Pure functions of their arguments; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/upload/DigestChecksum.h"

namespace checksum {

// Plain C++; runs on every CPU.
void sha1CompressPortable(uint32_t* state, const unsigned char* blocks, size_t count);

// The block function built on the x86 SHA extensions (with the SSSE3 and SSE4.1 it also uses)
// when this CPU has them, otherwise null. The CPU is asked once.
CompressBlocks sha1CompressWithShaExtensions();

} // namespace checksum
