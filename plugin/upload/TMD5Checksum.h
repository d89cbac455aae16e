// MD5 (RFC 1321) as a streaming checksum; the text result is the digest in lower-case hex.
// Thread contract: one thread at a time (the caller locks).
#pragma once

#include "plugin/upload/DigestChecksum.h"

class TMD5Checksum : public checksum::DigestChecksum<4, checksum::WordOrder::LittleEndian> {
public:
    TMD5Checksum();
};
