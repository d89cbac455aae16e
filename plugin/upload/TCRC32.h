// CRC-32 (reflected, polynomial 0xEDB88320) as a streaming checksum. The text result is the raw
// register as an unsigned decimal number, without the customary final inversion; the register
// starts at 0xFFFFFFFF, so the text is the complement of the usual CRC-32 (CRC-32/JAMCRC).
// Thread contract: one thread at a time (the caller locks).
#pragma once

#include <cstdint>
#include <string>

#include "plugin/upload/ChecksumPath.h"
#include "plugin/upload/Crc32Fold.h"
#include "plugin/upload/TCRCBase.h"

class TCRC32 : public TCRCBase {
public:
    explicit TCRC32(TChecksumPath path = TChecksumPath::Fastest);

    unsigned long write(const void* data, unsigned long len) override;
    // Nothing to complete: the register is the result at every moment, and writes after flush()
    // simply continue it.
    int flush() override;
    void reset() override;
    std::string result() const override;

    int getResultSize() const { return 4; }
    // The register behind result(). Its complement is the usual CRC-32 (zlib's crc32()).
    uint32_t getRegister() const { return m_register; }

private:
    checksum::Crc32Fold m_fold; // null: zlib does all the work
    uint32_t m_register;
};
