// The transfer-encoding codecs (quoted-printable, Base64, the folding 7bit coder) and how they
// are found by name.
#include <gtest/gtest.h>

#include <string>

#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeCodeQP.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::Convert;

namespace {

enum Kind { QP, Base64, Folding };

std::unique_ptr<CMimeCodeBase> Make(Kind kind, bool lineBreak) {
    std::unique_ptr<CMimeCodeBase> codec = kind == QP       ? CMimeCodeQP::CreateObject()
                                           : kind == Base64 ? CMimeCodeBase64::CreateObject()
                                                            : CMimeCode7bit::CreateObject();
    codec->SetLineBreak(lineBreak);
    return codec;
}

TEST(MimeCode, KnownEncodingsAndDecodings) {
    const std::string a70 = std::string(70, 'a'), b10 = std::string(10, 'b');
    std::string fullLine;
    for (int i = 0; i < 19; ++i)
        fullLine += "eHh4";
    const struct {
        Kind kind;
        bool encode, lineBreak;
        std::string input, expected;
    } cases[] = {
        // Soft break after 75 characters, or after the last blank of the line.
        {QP, true, false, std::string(80, 'a'), std::string(75, 'a') + "=\r\naaaaa"},
        {QP, true, false, a70 + " " + b10, a70 + " =\r\n" + b10},
        // A blank at the end of the input or of a line is encoded.
        {QP, true, false, "a b ", "a b=20"},
        {QP, true, false, "a \r\nb", "a=20\r\nb"},
        // A lone dot line is encoded only in text mode.
        {QP, true, false, "ab\r\n.\r\ncd", "ab\r\n=2E\r\ncd"},
        {QP, true, false, "ab\r\n.x\r\n", "ab\r\n.x\r\n"},
        {QP, true, true, "a\r\n.\r\n=", "a=0D=0A.=0D=0A=3D"},
        {QP, false, false, "a=3Db=C3=BC", "a=b\xC3\xBC"},
        {QP, false, false, "soft=\r\nbreak and bare=\nLF", "softbreak and bareLF"},
        {QP, false, false, "=3d stays", "3d stays"},
        {QP, false, false, "x= y", "x y"},
        {QP, false, false, "under_score", "under_score"},
        {QP, false, false, "tail=4", "tail"},
        // 57 bytes make one full line of 76 characters.
        {Base64, true, true, std::string(57, 'x'), fullLine + "\r\n"},
        {Base64, true, true, std::string(58, 'x'), fullLine + "\r\neA==\r\n"},
        {Base64, true, false, std::string(58, 'x'), fullLine + "eA=="},
        {Base64, true, false, "ABCDE", "QUJDREU="},
        // Decoding skips line ends, blanks and tabs and stops at anything else, padding included.
        {Base64, false, true, "QUJD\r\nREVG\nR0g=", "ABCDEFGH"},
        {Base64, false, true, "QUJD \r\nREVG\t\r\nR0g=\t\r\nQUJD", "ABCDEFGH"},
        {Base64, false, true, "QU JD\tREVG", "ABCDEF"},
        {Base64, false, true, "QUJD!REVG", "ABC"},
        {Base64, false, true, "QQ==QUJD", "A"},
        {Base64, false, true, "QUJDRA", "ABCD"},
        {Base64, false, true, "QUJDREU", "ABCDE"},
        // Long lines break in front of their last space; a line without one stays whole.
        {Folding, true, false, a70 + " " + b10 + " c", a70 + "\r\n " + b10 + " c"},
        {Folding, true, false, std::string(200, 'x'), std::string(200, 'x')},
        {Folding, false, false, a70 + " " + b10 + " c", a70 + " " + b10 + " c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Convert(*Make(c.kind, c.lineBreak), c.input, c.encode), c.expected)
            << c.kind << (c.encode ? " encoding " : " decoding ") << c.input.substr(0, 40);
    }
}

TEST(MimeCode, EveryByteSurvivesEncodeAndDecodeInBothModes) {
    std::string bytes;
    for (int c = 0; c < 3 * 256; ++c)
        bytes.push_back(static_cast<char>(c));
    const std::string qpText = bytes + " \t\r\n.\r\n" + std::string(300, 'x') + " ";
    for (bool lineBreak : {false, true}) {
        const auto qp = Make(QP, lineBreak);
        const std::string encoded = Convert(*qp, qpText, true);
        for (size_t start = 0, crlf;
             lineBreak && (crlf = encoded.find("\r\n", start)) != std::string::npos;
             start = crlf + 2)
            EXPECT_LE(crlf - start, 76u);
        EXPECT_EQ(Convert(*qp, encoded, false), qpText) << "binary " << lineBreak;
        const auto base64 = Make(Base64, lineBreak);
        for (size_t length : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 767u, 768u}) {
            const std::string input = bytes.substr(0, length);
            EXPECT_EQ(Convert(*base64, Convert(*base64, input, true), false), input) << length;
        }
    }
}

std::string EncodeWith(const std::string& coderName, const std::string& text) {
    return mimetest::Convert(*CMimeEnvironment::CreateCoder(coderName), text, true);
}

TEST(MimeEnvironment, CoderNamesIgnoreCaseAndAutoFoldingFoldsThePlainCoders) {
    mimetest::EnvironmentGuard guard;
    const std::string line = std::string(70, 'a') + " " + std::string(10, 'b');
    const std::string folded = std::string(70, 'a') + "\r\n " + std::string(10, 'b');
    EXPECT_EQ(EncodeWith("BASE64", "abc"), "YWJj\r\n");
    EXPECT_EQ(EncodeWith("Quoted-Printable", "a=b"), "a=3Db");
    EXPECT_EQ(EncodeWith("x-unknown", "a=b"), "a=b");
    EXPECT_EQ(EncodeWith("", line), line);
    // Auto folding turns the 7bit and 8bit coders into folding ones.
    CMimeEnvironment::SetAutoFolding(true);
    EXPECT_EQ(EncodeWith("8bit", line), folded);
    EXPECT_EQ(EncodeWith("", line), folded);
    CMimeEnvironment::SetAutoFolding(false);
    EXPECT_EQ(EncodeWith("7bit", line), line);
}

} // namespace
