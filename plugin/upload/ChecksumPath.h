// How a checksum object chooses its block functions. A plain value; usable from any thread.
#pragma once

enum class TChecksumPath {
    // SHA-1 with the CPU's SHA instructions and CRC-32 folded with its carry-less multiply where
    // it has them, the portable code elsewhere. Every product object uses this.
    Fastest,
    // The portable code only (CRC-32 through zlib), so that tests and benchmarks reach it on a
    // CPU with the extensions too.
    Portable,
};
