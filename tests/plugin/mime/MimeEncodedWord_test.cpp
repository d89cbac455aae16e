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
    int bound = 0;
    const std::string encoded = Convert(word, text, true, &bound);
    EXPECT_LE(static_cast<int>(encoded.size()), bound);
    return encoded;
}

std::string EncodeField(CFieldCodeBase& coder, const std::string& value,
                        const std::string& charset) {
    coder.SetCharset(charset);
    int bound = 0;
    const std::string encoded = Convert(coder, value, true, &bound);
    EXPECT_LE(static_cast<int>(encoded.size()), bound);
    return encoded;
}

TEST(MimeEncodedWord, DecodesWordsAndRemembersTheFirstCharset) {
    struct Case {
        std::string text;
        std::string decoded;
        std::string charset;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        std::string charset;
        EXPECT_EQ(DecodeWords(c.text, &charset), c.decoded) << c.text;
        EXPECT_EQ(charset, c.charset) << c.text;
    }
}

TEST(MimeEncodedWord, QEncodingEscapesAndSplitsIntoShortWords) {
    EXPECT_EQ(EncodeWords("a b=?_\xE9", 'Q', "UTF-8"), "=?UTF-8?Q?a=20b=3D=3F=5F=E9?=");
    const std::string text(100, '\xE9');
    const std::string encoded = EncodeWords(text, 'q', "ISO-8859-1");
    size_t start = 0;
    int words = 0;
    for (size_t space; start < encoded.size(); start = space + 1, ++words) {
        space = encoded.find(' ', start);
        if (space == std::string::npos)
            space = encoded.size();
        EXPECT_LE(space - start, 75u);
        EXPECT_EQ(encoded.compare(start, 15, "=?ISO-8859-1?Q?"), 0);
    }
    EXPECT_GT(words, 1);
    EXPECT_EQ(DecodeWords(encoded), text);
}

TEST(MimeEncodedWord, BEncodingCutsWholeGroupsPerWord) {
    const std::string text(60, 'x');
    const std::string encoded = EncodeWords(text, 'B', "UTF-8");
    // 3 * ((68 - 5) / 4) = 45 bytes per word.
    EXPECT_EQ(encoded.find(' '), std::string("=?UTF-8?B?").size() + 60 + 2);
    EXPECT_EQ(DecodeWords(encoded), text);
}

TEST(MimeEncodedWord, EmptyOrUnusableCharsetCopiesTheInput) {
    EXPECT_EQ(EncodeWords("caf\xE9", 'B', ""), "caf\xE9");
    EXPECT_EQ(EncodeWords("caf\xE9", 'B', std::string(64, 'c')), "caf\xE9");
    EXPECT_EQ(EncodeWords("caf\xE9", 'Q', "utf-8\r\nBcc: x"), "caf\xE9");
    EXPECT_EQ(EncodeWords("", 'Q', "UTF-8"), "");
    EXPECT_NE(EncodeWords("caf\xE9", 'B', std::string(63, 'c')), "caf\xE9");
}

TEST(CFieldCode, EachFieldNameGetsItsEncodingAndFolding) {
    struct Case {
        std::string field;
        std::string value;
        std::string charset;
        std::string encoded;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        const auto coder = CMimeEnvironment::CreateFieldCoder(c.field);
        EXPECT_EQ(EncodeField(*coder, c.value, c.charset), c.encoded) << c.field << ": " << c.value;
    }
}

TEST(CFieldCode, EncodedValuesDecodeBackWhole) {
    const struct {
        std::string field;
        std::string value;
        std::string charset;
        std::string absent;
    } cases[] = {
        // One segment even with byte FF.
        {"Subject", "na\xEFve \xFF tail", "ISO-8859-1", "\xFF"},
        // The blank between two encoded names survives: the words stay apart.
        {"To", "J\xC3\xBCrgen  M\xC3\xBCller <j@x.org>", "UTF-8", "?==?"},
    };
    for (const auto& c : cases) {
        const auto coder = CMimeEnvironment::CreateFieldCoder(c.field);
        const std::string encoded = EncodeField(*coder, c.value, c.charset);
        EXPECT_EQ(encoded.find(c.absent), std::string::npos) << encoded;
        EXPECT_EQ(DecodeWords(encoded), c.value) << encoded;
    }
}

TEST(CFieldCode, DefaultCharsetAppliesWhenTheFieldHasNone) {
    mimetest::EnvironmentGuard guard;
    CMimeEnvironment::SetCharset("UTF-8");
    CFieldCodeText subject;
    EXPECT_EQ(EncodeField(subject, "\xC3\xA9", ""), "=?UTF-8?B?w6k=?=");
}

TEST(CFieldCode, AutoFoldingFoldsLongValuesAndUnfoldsOnDecode) {
    mimetest::EnvironmentGuard guard;
    CMimeEnvironment::SetAutoFolding(true);
    CFieldCodeBase plain;
    const std::string value = std::string(70, 'a') + " " + std::string(20, 'b');
    EXPECT_EQ(EncodeField(plain, value, ""),
              std::string(70, 'a') + "\r\n\t " + std::string(20, 'b'));
    EXPECT_EQ(Convert(plain, "one\r\n\t two\r\nthree", false), "one two three");
}

} // namespace
