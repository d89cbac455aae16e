#include "plugin/platform/MimeTypes.h"

#include <gtest/gtest.h>

TEST(FindFileMimeType, OnlyAKnownExtensionInAnyCaseGivesAType) {
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"/home/u/report.pdf", "application/pdf"},
        {L"/home/u/照片.JPG", "image/jpeg"},
        {L"archive.tar.gz", "application/gzip"},
        {L"/home/u/README", ""},
        {L"/home/u/dir.d/README", ""},
        {L"/home/u/.bashrc", ""},
        {L"/home/u/trailing.", ""},
        {L"/home/u/x.zzunknownzz", ""},
        {L"x.p\u00e9f", ""},
        {L"", ""},
    };
    for (const auto& [path, expected] : cases) {
        std::string type = "stale";
        EXPECT_EQ(findFileMimeType(path, type), !expected.empty()) << expected;
        EXPECT_EQ(type, expected);
    }
}
