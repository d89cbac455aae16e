#include "tools/nvmaild/Inflate.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/tools/nvmaild/Deflate.h"

namespace nvmaild {
namespace {

TEST(InflateTest, CompleteStreamInflatesUpToExactlyTheCap) {
    const std::string plain(100000, 'x');
    const InflateResult result = inflateZlib(test::deflate(plain), plain.size());
    ASSERT_EQ(InflateStatus::Ok, result.status);
    EXPECT_EQ(plain, result.bytes);
    EXPECT_EQ(InflateStatus::Ok, inflateZlib(test::deflate(""), 0).status);
}

TEST(InflateTest, OutputPastTheCapIsTooLargeWithoutHoldingIt) {
    const std::string plain(5 << 20, 'x'); // a small body that expands a thousandfold
    const InflateResult result = inflateZlib(test::deflate(plain), plain.size() - 1);
    EXPECT_EQ(InflateStatus::TooLarge, result.status);
    EXPECT_TRUE(result.bytes.empty());
}

TEST(InflateTest, BrokenStreamsAreCorrupt) {
    const std::string stream = test::deflate("some block bytes, some block bytes");
    EXPECT_EQ(InflateStatus::Corrupt, inflateZlib("not a zlib stream", 1000).status);
    EXPECT_EQ(InflateStatus::Corrupt, inflateZlib("", 1000).status);
    EXPECT_EQ(InflateStatus::Corrupt, inflateZlib(stream.substr(0, stream.size() - 3), 1000).status)
        << "truncated";
    EXPECT_EQ(InflateStatus::Corrupt, inflateZlib(stream + "x", 1000).status)
        << "bytes after the end of the stream";
    std::string flipped = stream;
    flipped[flipped.size() - 1] ^= 0x01; // the Adler-32 check fails
    EXPECT_EQ(InflateStatus::Corrupt, inflateZlib(flipped, 1000).status);
}

} // namespace
} // namespace nvmaild
