// RFC 2047 encoded words and the header field coders built on them.
#include <gtest/gtest.h>

#include <string>

#include "plugin/mime/FieldCode.h"
#include "plugin/mime/MimeEncodedWord.h"
#include "plugin/mime/MimeEnvironment.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::Convert;

namespace {

std::string DecodeWords(const std::string& text, std::string* charset = nullptr) {
    CMimeEncodedWord word;
    const std::string decoded = Convert(word, text, false);
    if (charset != nullptr)
        *charset = word.GetCharset();
    return decoded;
}

std::string EncodeWords(const std::string& text, char letter, const std::string& charset) {
    CMimeEncodedWord word;
    word.SetEncoding(letter, charset);
    return Convert(word, text, true);
}

std::string EncodeField(const std::string& name, const std::string& value,
                        const std::string& charset) {
    const auto coder = CMimeEnvironment::CreateFieldCoder(name);
    coder->SetCharset(charset);
    return Convert(*coder, value, true);
}

TEST(MimeEncodedWord, DecodesWordsAndRemembersTheFirstCharset) {
    const struct {
        std::string text, decoded, charset;
    } cases[] = {
        {"=?UTF-8?Q?a_b?=", "a b", "UTF-8"},
        {"Re: =?gbk?B?1tDOxA==?= and =?utf-8?q?x?=", "Re: \xD6\xD0\xCE\xC4 and x", "gbk"},
        // Blanks between words vanish; other text stays.
        {"=?UTF-8?Q?a?=\r\n =?UTF-8?Q?b?=", "ab", "UTF-8"},
        {"=?UTF-8?Q?a?= b =?UTF-8?Q?c?= ", "a b c ", "UTF-8"},
        {"  x =?UTF-8?Q?a?=", "  x a", "UTF-8"},
        // Malformed words stay text.
        {"=?x?Z?abc?=", "=?x?Z?abc?=", ""},
        {"=?utf-8?Q?", "=?utf-8?Q?", ""},
        {"a=?b", "a=?b", ""},
        {"=?bad\r\ncharset?Q?x?=", "=?bad\r\ncharset?Q?x?=", ""},
        // Damaged Base64 and unknown charsets decode as far as they go.
        {"=?x-unknown?B?QUJD!!!?= tail", "ABC tail", "x-unknown"},
        {"=?utf-8?B?QUJDRA?=unterminated=?utf-8?Q?=4", "ABCDunterminated", "utf-8"},
    };
    for (const auto& c : cases) {
        std::string charset;
        EXPECT_EQ(DecodeWords(c.text, &charset), c.decoded) << c.text;
        EXPECT_EQ(charset, c.charset) << c.text;
    }
}

TEST(MimeEncodedWord, EncodesOnlyWithAUsableCharset) {
    const struct {
        std::string text;
        char letter;
        std::string charset, encoded;
    } cases[] = {
        {"a b=?_\xE9", 'Q', "UTF-8", "=?UTF-8?Q?a=20b=3D=3F=5F=E9?="},
        // The longest usable charset leaves room for three bytes per word.
        {"caf\xE9", 'B', std::string(63, 'c'),
         "=?" + std::string(63, 'c') + "?B?Y2Fm?= =?" + std::string(63, 'c') + "?B?6Q==?="},
        // An empty, too long or line-breaking charset leaves the text as it is.
        {"caf\xE9", 'B', "", "caf\xE9"},
        {"caf\xE9", 'B', std::string(64, 'c'), "caf\xE9"},
        {"caf\xE9", 'Q', "utf-8\r\nBcc: x", "caf\xE9"},
        {"", 'Q', "UTF-8", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeWords(c.text, c.letter, c.charset), c.encoded) << c.charset;
}

TEST(MimeEncodedWord, LongTextSplitsIntoWordsOfAtMost75Characters) {
    const std::string text(100, '\xE9');
    for (const auto& [letter, prefix] : {std::pair<char, std::string>{'q', "=?ISO-8859-1?Q?"},
                                         std::pair<char, std::string>{'B', "=?ISO-8859-1?B?"}}) {
        const std::string encoded = EncodeWords(text, letter, "ISO-8859-1");
        int words = 0;
        for (size_t start = 0, space; start < encoded.size(); start = space + 1, ++words) {
            space = std::min(encoded.find(' ', start), encoded.size());
            EXPECT_LE(space - start, 75u) << encoded;
            EXPECT_EQ(encoded.compare(start, prefix.size(), prefix), 0) << encoded;
        }
        EXPECT_GT(words, 1) << encoded;
        EXPECT_EQ(DecodeWords(encoded), text) << encoded;
    }
}

TEST(CFieldCode, EachFieldNameGetsItsEncodingAndFolding) {
    const struct {
        std::string field, value, charset, encoded;
    } cases[] = {
        // Text: Q for few 8-bit bytes, B for many, nothing for ASCII.
        {"Subject", "Hello Worl\xE9", "ISO-8859-1", "=?ISO-8859-1?Q?Hello=20Worl=E9?="},
        {"subject", "\xD6\xD0\xCE\xC4", "gbk", "=?gbk?B?1tDOxA==?="},
        {"Subject", "plain ascii", "UTF-8", "plain ascii"},
        // Addresses fold after commas and drop the blank; a quoted name is one word in quotes.
        {"RESENT-REPLY-TO", "a@example.com, b@example.com", "UTF-8",
         "a@example.com,\r\n\tb@example.com"},
        {"To", "\"J\xC3\xBCrgen Meier\" <j@x.org>", "UTF-8",
         "\"=?UTF-8?Q?J=C3=BCrgen=20Meier?=\" <j@x.org>"},
        {"To", "J\xC3\xBCrgen <j@x>, b@y", "", "J\xC3\xBCrgen <j@x>, b@y"},
        // Parameters fold after semicolons; other fields neither fold nor encode.
        {"content-disposition", "attachment;  filename=\"r\xC3\xA9sum\xC3\xA9.pdf\"", "UTF-8",
         "attachment;\r\n\tfilename=\"=?UTF-8?B?csOpc3Vtw6kucGRm?=\""},
        {"X-Anything", "a@example.com, b@example.com", "UTF-8", "a@example.com, b@example.com"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeField(c.field, c.value, c.charset), c.encoded)
            << c.field << ": " << c.value;
}

TEST(CFieldCode, EncodedValuesDecodeBackWhole) {
    const struct {
        std::string field, value, charset, absent;
    } cases[] = {
        // One segment even with byte FF.
        {"Subject", "na\xEFve \xFF tail", "ISO-8859-1", "\xFF"},
        // The blank between two encoded names survives: the words stay apart.
        {"To", "J\xC3\xBCrgen  M\xC3\xBCller <j@x.org>", "UTF-8", "?==?"},
    };
    for (const auto& c : cases) {
        const std::string encoded = EncodeField(c.field, c.value, c.charset);
        EXPECT_EQ(encoded.find(c.absent), std::string::npos) << encoded;
        EXPECT_EQ(DecodeWords(encoded), c.value) << encoded;
    }
}

TEST(CFieldCode, DefaultCharsetAndAutoFoldingApplyToFieldsWithoutTheirOwn) {
    mimetest::EnvironmentGuard guard;
    CMimeEnvironment::SetCharset("UTF-8");
    EXPECT_EQ(EncodeField("Subject", "\xC3\xA9", ""), "=?UTF-8?B?w6k=?=");
    CMimeEnvironment::SetCharset("");
    CMimeEnvironment::SetAutoFolding(true);
    const std::string value = std::string(70, 'a') + " " + std::string(20, 'b');
    EXPECT_EQ(EncodeField("X", value, ""), std::string(70, 'a') + "\r\n\t " + std::string(20, 'b'));
    CFieldCodeBase plain;
    for (const char* folded : {"one\r\n\t two\r\nthree", "one\n\t two\nthree"})
        EXPECT_EQ(Convert(plain, folded, false), "one two three") << folded;
}

} // namespace
