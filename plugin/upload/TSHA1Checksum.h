// SHA-1 (FIPS 180-1) as a streaming checksum; the text result is the digest in lower-case hex.
// Thread contract: one thread at a time (the caller locks).
#pragma once

#include "plugin/upload/ChecksumPath.h"
#include "plugin/upload/DigestChecksum.h"

class TSHA1Checksum : public checksum::DigestChecksum<5, checksum::WordOrder::BigEndian> {
public:
    explicit TSHA1Checksum(TChecksumPath path = TChecksumPath::Fastest);
};
