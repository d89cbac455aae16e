#include "tools/nvmaild/FileServing.h"

#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "tools/nvmaild/TemporaryFolder.h"

namespace nvmaild {
namespace {

class FileServingTest : public ::testing::Test {
protected:
    FileServingTest() {
        ::mkdir((root.path() + "/pages").c_str(), 0755);
        std::ofstream(root.path() + "/pages/index.html") << "<p>index</p>";
        std::ofstream(files.path() + "/mail 1.eml") << std::string(1000, 'm');
        std::ofstream(root.path() + "/secret.txt") << "outside the files folder";
    }

    Response download(const std::string& path, const std::string& query) {
        return serving.download(path, QueryParams::parse(query));
    }

    TemporaryFolder root{"nvmaild-root-"};
    TemporaryFolder files{"nvmaild-files-"};
    FileServing serving{root.path(), files.path(), "pos"};
};

TEST_F(FileServingTest, DownloadStartsAtTheResumeOffset) {
    const Response whole = download("mail 1.eml", "id=3");
    ASSERT_EQ(200u, whole.status);
    ASSERT_TRUE(whole.file);
    EXPECT_EQ(0u, whole.file->offset);
    EXPECT_EQ(1000u, whole.file->length);
    EXPECT_EQ("message/rfc822", whole.contentType);

    const Response resumed = download("mail 1.eml", "id=3&pos=500");
    EXPECT_EQ(500u, resumed.file->offset);
    EXPECT_EQ(500u, resumed.file->length);
    EXPECT_EQ(0u, download("mail 1.eml", "pos=1000").file->length) << "already complete";
}

TEST_F(FileServingTest, BadResumeOffsetsAreRefused) {
    EXPECT_EQ(416u, download("mail 1.eml", "pos=1001").status);
    EXPECT_EQ(400u, download("mail 1.eml", "pos=-1").status);
    EXPECT_EQ(400u, download("mail 1.eml", "pos=").status);
    EXPECT_EQ(400u, download("mail 1.eml", "pos=1&pos=2").status);
    EXPECT_EQ(404u, download("missing.eml", "pos=0").status);
}

TEST_F(FileServingTest, PathsNeverLeaveTheirFolder) {
    EXPECT_EQ(404u,
              download("../" + root.path().substr(root.path().rfind('/') + 1) + "/secret.txt", "")
                  .status);
    EXPECT_EQ("", FileServing::resolve("/srv", "a/../b"));
    EXPECT_EQ("", FileServing::resolve("/srv", "./a"));
    EXPECT_EQ("", FileServing::resolve("/srv", std::string("a\0b", 3)));
    EXPECT_EQ("", FileServing::resolve("", "a"));
    EXPECT_EQ("/srv/a/b", FileServing::resolve("/srv", "//a//b/"));
}

TEST_F(FileServingTest, StaticFoldersServeTheirIndex) {
    const Response page = serving.staticFile("/pages/");
    ASSERT_TRUE(page.file);
    EXPECT_EQ(root.path() + "/pages/index.html", page.file->path);
    EXPECT_EQ("text/html; charset=utf-8", page.contentType);
    EXPECT_EQ(404u, serving.staticFile("/nothing.html").status);
    EXPECT_EQ(404u, FileServing("", "", "pos").staticFile("/").status);
    EXPECT_EQ("application/octet-stream", FileServing::contentTypeOf("/a.d/noextension"));
    EXPECT_EQ("image/png", FileServing::contentTypeOf("/SHOT.PNG"));
}

} // namespace
} // namespace nvmaild
