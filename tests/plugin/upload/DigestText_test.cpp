#include "plugin/upload/DigestText.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string base64Of(const std::string& text) {
    return checksum::base64(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// RFC 4648, section 10: every count of trailing bytes and its padding.
TEST(DigestText, Base64TestVectors) {
    EXPECT_EQ(base64Of(""), "");
    EXPECT_EQ(base64Of("f"), "Zg==");
    EXPECT_EQ(base64Of("fo"), "Zm8=");
    EXPECT_EQ(base64Of("foo"), "Zm9v");
    EXPECT_EQ(base64Of("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Of("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Of("foobar"), "Zm9vYmFy");
    const unsigned char high[] = {0xfb, 0xff, 0xbf};
    EXPECT_EQ(checksum::base64(high, sizeof high), "+/+/");
}

TEST(DigestText, HexIsLowerCaseWithLeadingZeros) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xa5, 0xff};
    EXPECT_EQ(checksum::lowerHex(bytes, sizeof bytes), "000fa5ff");
}

} // namespace
