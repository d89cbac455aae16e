#include "plugin/upload/DigestChecksum.h"

#include <gtest/gtest.h>

#include "plugin/upload/TMD5Checksum.h"
#include "plugin/upload/TSHA1Checksum.h"
#include "tests/plugin/upload/ChecksumReference.h"

namespace {

using reference::Bytes;

template <class Digest> Bytes bytesOf(const Digest& digest) {
    return Bytes(digest.begin(), digest.end());
}

TEST(DigestChecksum, RawDigestAndItsSizeAreTheBytesBehindTheText) {
    const Bytes abc = {'a', 'b', 'c'};
    TMD5Checksum md5;
    reference::finishedResult(md5, "abc");
    EXPECT_EQ(bytesOf(md5.getDigest()), reference::md5(abc));
    EXPECT_EQ(md5.getResultSize(), 16);

    TSHA1Checksum sha1;
    reference::finishedResult(sha1, "abc");
    EXPECT_EQ(bytesOf(sha1.getDigest()), reference::sha1(abc));
    EXPECT_EQ(sha1.getResultSize(), 20);
}

} // namespace
