#include "plugin/download/ZipEntryName.h"

#include <gtest/gtest.h>

namespace {

const std::string kUtf8Bytes = u8"中文";         // E4 B8 AD E6 96 87: also valid GB 18030
const std::string kGbBytes = "\xD6\xD0\xCE\xC4"; // 中文 in GB 18030: not valid UTF-8

} // namespace

TEST(ChangeCharset, TheCharsetOnlyDecidesWhichDecodingIsTriedFirst) {
    EXPECT_EQ(changeCharset(kUtf8Bytes, "utf-8"), L"中文");
    EXPECT_EQ(changeCharset(kUtf8Bytes, "utf8"), L"中文");
    EXPECT_EQ(changeCharset(kUtf8Bytes, ""), L"中文");
    // GB 18030 first: the UTF-8 bytes decode to other characters, and those win.
    std::wstring asGb = changeCharset(kUtf8Bytes, "gb18030");
    EXPECT_EQ(asGb.size(), 3u);
    EXPECT_NE(asGb, L"中文");
    EXPECT_EQ(changeCharset(kGbBytes, "gb18030"), L"中文");
    EXPECT_EQ(changeCharset(kGbBytes, "utf-8"), L"中文");
    // Only the exact lower-case names mean UTF-8.
    EXPECT_EQ(changeCharset(kGbBytes, "UTF-8"), L"中文");
}

TEST(ChangeCharset, BytesNeitherDecodingAcceptsGiveAnEmptyName) {
    EXPECT_EQ(changeCharset("\xFF", "utf-8"), L"");
    EXPECT_EQ(changeCharset("\xFF", "gb18030"), L"");
    // Cut inside a character, as a 255-byte cut may leave it.
    EXPECT_EQ(changeCharset("ab\xD6", "gb18030"), L"");
}
