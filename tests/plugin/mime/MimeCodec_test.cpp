// The transfer-encoding codecs: quoted-printable, Base64 and the folding 7bit coder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeCodeQP.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::Convert;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int repeat = 0; repeat < 3; ++repeat)
        for (int c = 0; c < 256; ++c)
            bytes.push_back(static_cast<char>(c));
    return bytes;
}

struct CodecCase {
    std::string input;
    bool encode;
    bool lineBreak;
    std::string expected;
};

template <typename Codec> void ExpectConversions(const std::vector<CodecCase>& cases) {
    for (const CodecCase& c : cases) {
        Codec codec;
        codec.SetLineBreak(c.lineBreak);
        EXPECT_EQ(Convert(codec, c.input, c.encode), c.expected)
            << (c.encode ? "encoding " : "decoding ") << c.input.substr(0, 40);
    }
}

TEST(MimeCodeQP, KnownEncodingsAndDecodings) {
    ExpectConversions<CMimeCodeQP>({
        // Soft break after 75 characters, or after the last blank of the line.
        {std::string(80, 'a'), true, false, std::string(75, 'a') + "=\r\n" + std::string(5, 'a')},
        {std::string(70, 'a') + " " + std::string(10, 'b'), true, false,
         std::string(70, 'a') + " =\r\n" + std::string(10, 'b')},
        // A blank at the end of the input or of a line is encoded.
        {"a b ", true, false, "a b=20"},
        {"a \r\nb", true, false, "a=20\r\nb"},
        // A lone dot line is encoded only in text mode.
        {"ab\r\n.\r\ncd", true, false, "ab\r\n=2E\r\ncd"},
        {"ab\r\n.x\r\n", true, false, "ab\r\n.x\r\n"},
        {"a\r\n.\r\n=", true, true, "a=0D=0A.=0D=0A=3D"},
        {"a=3Db=C3=BC", false, false, "a=b\xC3\xBC"},
        {"soft=\r\nbreak and bare=\nLF", false, false, "softbreak and bareLF"},
        {"=3d stays", false, false, "3d stays"},
        {"x= y", false, false, "x y"},
        {"under_score", false, false, "under_score"},
        {"tail=4", false, false, "tail"},
    });
}

TEST(MimeCodeQP, EveryByteSurvivesEncodeDecodeInBothModes) {
    const std::string bytes = AllBytes() + " \t\r\n.\r\n" + std::string(300, 'x') + " ";
    for (bool binary : {false, true}) {
        CMimeCodeQP qp;
        qp.SetLineBreak(binary);
        int bound = 0;
        const std::string encoded = Convert(qp, bytes, true, &bound);
        EXPECT_LE(static_cast<int>(encoded.size()), bound);
        if (binary) {
            size_t lineStart = 0;
            for (size_t crlf; (crlf = encoded.find("\r\n", lineStart)) != std::string::npos;
                 lineStart = crlf + 2)
                EXPECT_LE(crlf - lineStart, 76u);
        }
        EXPECT_EQ(Convert(qp, encoded, false), bytes) << "binary " << binary;
    }
}

TEST(MimeCodeQP, SmallBufferTruncatesWithoutOverrun) {
    CMimeCodeQP qp;
    const std::string input = "\xFF\xFE\xFD";
    qp.SetInput(input.data(), 3, true);
    char out[8] = "#######";
    EXPECT_EQ(qp.Encode(out, 4), 3);
    EXPECT_EQ(std::string(out, 8), std::string("=FF####", 8));
}

TEST(MimeCodeBase64, KnownEncodingsAndDecodings) {
    std::string fullLine;
    for (int i = 0; i < 19; ++i)
        fullLine += "eHh4";
    ExpectConversions<CMimeCodeBase64>({
        // 57 bytes make one full line of 76 characters.
        {std::string(57, 'x'), true, true, fullLine + "\r\n"},
        {std::string(58, 'x'), true, true, fullLine + "\r\neA==\r\n"},
        {std::string(58, 'x'), true, false, fullLine + "eA=="},
        {"ABCDE", true, false, "QUJDREU="},
        // Decoding skips line ends, blanks and tabs and stops at anything else, padding included.
        {"QUJD\r\nREVG\nR0g=", false, true, "ABCDEFGH"},
        {"QUJD \r\nREVG\t\r\nR0g=\t\r\nQUJD", false, true, "ABCDEFGH"},
        {"QU JD\tREVG", false, true, "ABCDEF"},
        {"QUJD!REVG", false, true, "ABC"},
        {"QQ==QUJD", false, true, "A"},
        {"QUJDRA", false, true, "ABCD"},
        {"QUJDREU", false, true, "ABCDE"},
    });
}

TEST(MimeCodeBase64, EveryByteSurvivesWithExactBounds) {
    const std::string bytes = AllBytes();
    for (bool lineBreaks : {false, true}) {
        CMimeCodeBase64 base64;
        base64.SetLineBreak(lineBreaks);
        for (size_t length : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 767u, 768u}) {
            const std::string input = bytes.substr(0, length);
            int bound = 0;
            const std::string encoded = Convert(base64, input, true, &bound);
            EXPECT_LE(static_cast<int>(encoded.size()), bound);
            EXPECT_EQ(Convert(base64, encoded, false), input) << length;
        }
    }
}

TEST(MimeCodeBase64, FullBufferStopsSilently) {
    CMimeCodeBase64 base64;
    const std::string input(30, 'z');
    base64.SetInput(input.data(), 30, true);
    char out[12] = "###########";
    EXPECT_EQ(base64.Encode(out, 5), 5);
    EXPECT_EQ(std::string(out, 6), "enp6e#");
    const std::string text = "QUJDREVG";
    base64.SetInput(text.data(), 8, false);
    EXPECT_EQ(base64.Decode(out, 4), 4);
    EXPECT_EQ(std::string(out, 5), "ABCDe");
}

TEST(MimeCode7bit, FoldsLongLinesInFrontOfTheLastSpace) {
    CMimeCode7bit folding;
    const std::string words = std::string(70, 'a') + " " + std::string(10, 'b') + " c";
    int bound = 0;
    EXPECT_EQ(Convert(folding, words, true, &bound),
              std::string(70, 'a') + "\r\n " + std::string(10, 'b') + " c");
    EXPECT_LE(static_cast<int>(words.size()) + 2, bound);
    const std::string unbroken(200, 'x');
    EXPECT_EQ(Convert(folding, unbroken, true), unbroken);
    EXPECT_EQ(Convert(folding, words, false), words);
}

} // namespace
