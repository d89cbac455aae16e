// Bulk CRC-32 by folding with carry-less multiplication, for long runs of bytes.
// Pure functions of their arguments; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace checksum {

// The shortest run a fold function takes, and the multiple its length must be.
constexpr size_t kCrc32FoldMinimum = 64;
constexpr size_t kCrc32FoldGranule = 16;

// Advances a raw reflected CRC-32 register (no inversion on entry or exit) over `len` bytes.
// REQUIRES: len >= kCrc32FoldMinimum and len % kCrc32FoldGranule == 0.
using Crc32Fold = uint32_t (*)(uint32_t crc, const unsigned char* data, size_t len);

// The fold function built on PCLMULQDQ (with SSE4.1) when this CPU has it, otherwise null.
// The CPU is asked once.
Crc32Fold crc32FoldWithCarrylessMultiply();

} // namespace checksum
