// MD5 and SHA-1 of the same bytes in one checksum, the combined digest the mail server compares
// for whole files. The text result is the Base64 of the MD5 digest followed by the SHA-1 digest
// (36 bytes, so 48 characters and never any "=").
// Thread contract: one thread at a time (the caller locks).
#pragma once

#include <string>

#include "plugin/upload/ChecksumPath.h"
#include "plugin/upload/TCRCBase.h"
#include "plugin/upload/TMD5Checksum.h"
#include "plugin/upload/TSHA1Checksum.h"

class TNvxChecksum : public TCRCBase {
public:
    explicit TNvxChecksum(TChecksumPath path = TChecksumPath::Fastest);

    // Bytes written after flush() and before reset() are ignored, as in both halves.
    unsigned long write(const void* data, unsigned long len) override;
    // Only the first call after construction or reset() finalizes; later ones change nothing.
    int flush() override;
    void reset() override;
    // Before the first flush() both digests read as zeros.
    std::string result() const override;

    // The two halves, for a caller that feeds them on different threads (then flush() as usual).
    TSHA1Checksum& sha1Part() { return m_sha1; }
    TMD5Checksum& md5Part() { return m_md5; }

private:
    TSHA1Checksum m_sha1;
    TMD5Checksum m_md5;
};
