#include "tools/nvmaild/UploadDigest.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tools/nvmaild/TemporaryFolder.h"

namespace nvmaild {
namespace {

std::string patternBytes() {
    std::string bytes;
    for (int round = 0; round < 4000; ++round)
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>(value);
    return bytes;
}

TEST(UploadDigestTest, DeclaredTextsMatchReferenceValues) {
    UploadDigest empty;
    EXPECT_EQ(0, empty.crc());
    EXPECT_EQ("1B2M2Y8AsgTpgAmY7PhCfto5o+5ea0sNMlW/75VgGJCv2AcJ", empty.crc2());

    UploadDigest digits;
    digits.update("123456789");
    EXPECT_EQ(-873187034, digits.crc());
    EXPECT_EQ("JfnnlDI7RTiF9RgfG2JNC/fDvB2AjgRzKt9nmWXMw0ynrjRB", digits.crc2());
}

TEST(UploadDigestTest, PiecesReadingAndResetDoNotDisturbTheStream) {
    const std::string bytes = patternBytes();
    UploadDigest digest;
    for (size_t at = 0; at < bytes.size(); at += 65536) {
        digest.update(std::string_view(bytes).substr(at, 65536));
        digest.crc2(); // reading midway must not end the stream
    }
    EXPECT_EQ(-1443444306, digest.crc());
    EXPECT_EQ("YTRpbKGwUNRWTVihiqnTWngfNyjG33AbWZrmIrEt+IOIWzRt", digest.crc2());

    digest.reset();
    EXPECT_EQ("1B2M2Y8AsgTpgAmY7PhCfto5o+5ea0sNMlW/75VgGJCv2AcJ", digest.crc2());
}

TEST(UploadDigestTest, FileSha1ReadsBackTheGivenLengthOnly) {
    TemporaryFolder folder("nvmaild-digest-");
    const std::string path = folder.path() + "/data";
    std::ofstream(path) << "123456789tail";
    EXPECT_EQ("f7c3bc1d808e04732adf679965ccc34ca7ae3441", fileSha1Hex(path, 9));
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", fileSha1Hex(path, 0));
    EXPECT_FALSE(fileSha1Hex(path, 14)) << "a file shorter than asked is no answer";
    EXPECT_FALSE(fileSha1Hex(folder.path() + "/missing", 0));
}

} // namespace
} // namespace nvmaild
