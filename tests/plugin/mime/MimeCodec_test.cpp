// The transfer-encoding codecs: quoted-printable, Base64 and the folding 7bit coder.
#include <gtest/gtest.h>

#include <string>

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

TEST(MimeCodeQP, LongLineGetsSoftBreakAfterSeventyFiveCharacters) {
    CMimeCodeQP qp;
    EXPECT_EQ(Convert(qp, std::string(80, 'a'), true),
              std::string(75, 'a') + "=\r\n" + std::string(5, 'a'));
}

TEST(MimeCodeQP, SoftBreakGoesAfterTheLastBlankOfTheLine) {
    CMimeCodeQP qp;
    EXPECT_EQ(Convert(qp, std::string(70, 'a') + " " + std::string(10, 'b'), true),
              std::string(70, 'a') + " =\r\n" + std::string(10, 'b'));
}

TEST(MimeCodeQP, BlankAtEndOfInputOrLineIsEncoded) {
    CMimeCodeQP qp;
    EXPECT_EQ(Convert(qp, "a b ", true), "a b=20");
    EXPECT_EQ(Convert(qp, "a \r\nb", true), "a=20\r\nb");
}

TEST(MimeCodeQP, LoneDotLineIsEncodedOnlyInTextMode) {
    CMimeCodeQP qp;
    EXPECT_EQ(Convert(qp, "ab\r\n.\r\ncd", true), "ab\r\n=2E\r\ncd");
    EXPECT_EQ(Convert(qp, "ab\r\n.x\r\n", true), "ab\r\n.x\r\n");
    qp.SetLineBreak(true);
    EXPECT_EQ(Convert(qp, "a\r\n.\r\n=", true), "a=0D=0A.=0D=0A=3D");
}

TEST(MimeCodeQP, DecodeHandlesEscapesSoftBreaksAndStrayEquals) {
    CMimeCodeQP qp;
    EXPECT_EQ(Convert(qp, "a=3Db=C3=BC", false), "a=b\xC3\xBC");
    EXPECT_EQ(Convert(qp, "soft=\r\nbreak and bare=\nLF", false), "softbreak and bareLF");
    EXPECT_EQ(Convert(qp, "=3d stays", false), "3d stays");
    EXPECT_EQ(Convert(qp, "x= y", false), "x y");
    EXPECT_EQ(Convert(qp, "under_score", false), "under_score");
    EXPECT_EQ(Convert(qp, "tail=4", false), "tail");
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

TEST(MimeCodeBase64, FiftySevenBytesMakeOneFullLine) {
    CMimeCodeBase64 base64;
    const std::string line = Convert(base64, std::string(57, 'x'), true);
    ASSERT_EQ(line.size(), 78u);
    EXPECT_EQ(line.substr(76), "\r\n");
    const std::string two = Convert(base64, std::string(58, 'x'), true);
    ASSERT_EQ(two.size(), 84u);
    EXPECT_EQ(two.substr(76), "\r\neA==\r\n");
}

TEST(MimeCodeBase64, UnbrokenEncodingHasNoLineEnds) {
    CMimeCodeBase64 base64;
    base64.SetLineBreak(false);
    EXPECT_EQ(Convert(base64, "ABCDE", true), "QUJDREU=");
    EXPECT_EQ(Convert(base64, std::string(100, 'x'), true).find('\r'), std::string::npos);
}

TEST(MimeCodeBase64, DecodeSkipsLineEndsAndStopsAtAnythingElse) {
    CMimeCodeBase64 base64;
    EXPECT_EQ(Convert(base64, "QUJD\r\nREVG\nR0g=", false), "ABCDEFGH");
    EXPECT_EQ(Convert(base64, "QUJD REVG", false), "ABC");
    EXPECT_EQ(Convert(base64, "QUJD!REVG", false), "ABC");
    EXPECT_EQ(Convert(base64, "QQ==QUJD", false), "A");
    EXPECT_EQ(Convert(base64, "QUJDRA", false), "ABCD");
    EXPECT_EQ(Convert(base64, "QUJDREU", false), "ABCDE");
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
