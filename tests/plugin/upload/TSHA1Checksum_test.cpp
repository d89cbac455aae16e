#include "plugin/upload/TSHA1Checksum.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/plugin/upload/ChecksumReference.h"

namespace {

constexpr TChecksumPath kBothPaths[] = {TChecksumPath::Fastest, TChecksumPath::Portable};

// FIPS 180 examples: one block, and a 56-byte message whose padding needs a second block.
TEST(TSHA1Checksum, FipsOneAndTwoBlockMessages) {
    for (TChecksumPath path : kBothPaths) {
        TSHA1Checksum sha1(path);
        EXPECT_EQ(reference::finishedResult(sha1, "abc"),
                  "a9993e364706816aba3e25717850c26c9cd0d89d");
        sha1.reset();
        EXPECT_EQ(reference::finishedResult(
                      sha1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
                  "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
        sha1.reset();
        EXPECT_EQ(reference::finishedResult(sha1, ""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    }
}

TEST(TSHA1Checksum, FipsMillionTimesA) {
    const std::string thousand(1000, 'a');
    for (TChecksumPath path : kBothPaths) {
        TSHA1Checksum whole(path);
        EXPECT_EQ(reference::finishedResult(whole, std::string(1000000, 'a')),
                  "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
        TSHA1Checksum pieces(path);
        for (int i = 0; i < 1000; ++i)
            pieces.write(thousand.data(), thousand.size());
        pieces.flush();
        EXPECT_EQ(pieces.result(), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    }
}

} // namespace
