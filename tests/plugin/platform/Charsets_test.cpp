#include "plugin/platform/Charsets.h"

#include <gtest/gtest.h>

TEST(ConvertString, EncodesInTheNamedCharsetOrGivesOnlyTheTerminatingZero) {
    const struct {
        std::wstring text;
        const char* charset;
        std::string bytes;
    } cases[] = {
        {L"中文文档", "gb18030", "\xD6\xD0\xCE\xC4\xCE\xC4\xB5\xB5"},
        {L"中文 \U0001F600", "UTF-8", u8"中文 \U0001F600"},
        {L"Grüße", "ISO-8859-1",
         "Gr\xFC\xDF"
         "e"},
        // A stateful encoding ends back in its initial state.
        {L"日本", "ISO-2022-JP", "\x1B$BF|K\\\x1B(B"},
        {L"", "UTF-8", ""},
        {L"text", "no-such-charset", ""},
        {L"中文", "ISO-8859-1", ""},
        {std::wstring(L"a") + wchar_t(0xD800), "UTF-8", ""},
    };
    for (const auto& c : cases) {
        std::size_t length = 99;
        std::unique_ptr<char[]> buffer = convertString(c.text, c.charset, length);
        EXPECT_EQ(std::string(buffer.get(), length), c.bytes) << c.charset;
        EXPECT_EQ(buffer[length], '\0') << c.charset << ": the terminating 0 follows the bytes";
    }
}
