#include "plugin/platform/MimeTypes.h"

#include <gtest/gtest.h>

TEST(FindFileMimeType, KnownExtensionsGiveTheirTypeWhateverTheirCase) {
    std::string type = "stale";
    EXPECT_TRUE(findFileMimeType(L"/home/u/report.pdf", type));
    EXPECT_EQ(type, "application/pdf");
    EXPECT_TRUE(findFileMimeType(L"/home/u/照片.JPG", type));
    EXPECT_EQ(type, "image/jpeg");
    EXPECT_TRUE(findFileMimeType(L"archive.tar.gz", type));
    EXPECT_EQ(type, "application/gzip");
}

TEST(FindFileMimeType, NamesWithoutAKnownExtensionGiveFalseAndAnEmptyType) {
    for (const wchar_t* path :
         {L"/home/u/README", L"/home/u/dir.d/README", L"/home/u/.bashrc", L"/home/u/trailing.",
          L"/home/u/x.zzunknownzz", L"x.p\u00e9f", L""}) {
        std::string type = "stale";
        EXPECT_FALSE(findFileMimeType(path, type));
        EXPECT_EQ(type, "");
    }
}
