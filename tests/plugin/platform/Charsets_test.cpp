#include "plugin/platform/Charsets.h"

#include <gtest/gtest.h>

namespace {

std::string encode(const std::wstring& text, const std::string& charset, std::size_t& length) {
    std::unique_ptr<char[]> buffer = convertString(text, charset, length);
    // The terminating 0 sits right after the encoded bytes.
    EXPECT_EQ(buffer[length], '\0');
    return std::string(buffer.get(), length);
}

} // namespace

TEST(ConvertString, EncodesInTheNamedCharset) {
    std::size_t length = 99;
    EXPECT_EQ(encode(L"中文文档", "gb18030", length), "\xD6\xD0\xCE\xC4\xCE\xC4\xB5\xB5");
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(encode(L"中文 \U0001F600", "UTF-8", length), u8"中文 \U0001F600");
    EXPECT_EQ(encode(L"Grüße", "ISO-8859-1", length), "Gr\xFC\xDF"
                                                      "e");
    // A stateful encoding ends back in its initial state.
    EXPECT_EQ(encode(L"日本", "ISO-2022-JP", length), "\x1B$BF|K\\\x1B(B");
}

TEST(ConvertString, EmptyTextAndFailuresGiveOnlyTheTerminatingZero) {
    const std::pair<std::wstring, std::string> cases[] = {
        {L"", "UTF-8"},
        {L"text", "no-such-charset"},
        {L"中文", "ISO-8859-1"},
        {std::wstring(L"a") + wchar_t(0xD800), "UTF-8"},
    };
    for (const auto& [text, charset] : cases) {
        std::size_t length = 99;
        EXPECT_EQ(encode(text, charset, length), "") << charset;
        EXPECT_EQ(length, 0u) << charset;
    }
}

TEST(Gbk2wstring, DecodesGb18030AndGivesNothingForBadBytes) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"\xD6\xD0\xCE\xC4"
         "abc\x81\x30\x81\x30",
         L"中文abc\u0080"},
        {"\xD6\xD0\xFF", L""},
        {"\xD6\xD0\xCE", L""}, // cut inside a character
        {"", L""},
    };
    for (const auto& [bytes, expected] : cases) {
        std::wstring text = L"old";
        gbk2wstring(bytes, text);
        EXPECT_EQ(text, expected) << bytes;
    }
}
