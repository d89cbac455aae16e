#include "plugin/upload/TSHA1Checksum.h"

#include "plugin/upload/Sha1Compress.h"

namespace {

checksum::CompressBlocks chooseCompress(TChecksumPath path) {
    if (path == TChecksumPath::Fastest) {
        if (const checksum::CompressBlocks accelerated = checksum::sha1CompressWithShaExtensions())
            return accelerated;
    }
    return checksum::sha1CompressPortable;
}

} // namespace

TSHA1Checksum::TSHA1Checksum(TChecksumPath path)
    : DigestChecksum({0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0},
                     chooseCompress(path)) {}
