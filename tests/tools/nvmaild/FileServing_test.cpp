#include "tools/nvmaild/FileServing.h"

#include <fstream>

#include <gtest/gtest.h>

#include "tools/nvmaild/TemporaryFolder.h"

namespace nvmaild {
namespace {

TEST(FileServingTest, DownloadsStartAtTheResumeOffsetAndNeverLeaveTheirFolder) {
    TemporaryFolder root{"nvmaild-root-"};
    TemporaryFolder files{"nvmaild-files-"};
    std::ofstream(files.path() + "/mail 1.eml") << std::string(1000, 'm');
    std::ofstream(root.path() + "/secret.txt") << "outside the files folder";
    const FileServing serving{root.path(), files.path(), "pos"};
    const std::string outside =
        "../" + root.path().substr(root.path().rfind('/') + 1) + "/secret.txt";
    const struct {
        std::string path;
        const char* query;
        unsigned status;
        std::uint64_t offset;
        std::uint64_t length;
    } cases[] = {
        {"mail 1.eml", "id=3", 200, 0, 1000},
        {"mail 1.eml", "id=3&pos=500", 200, 500, 500},
        {"mail 1.eml", "pos=1000", 200, 1000, 0},
        {"mail 1.eml", "pos=1001", 416, 0, 0},
        {"mail 1.eml", "pos=-1", 400, 0, 0},
        {"mail 1.eml", "pos=", 400, 0, 0},
        {"mail 1.eml", "pos=1&pos=2", 400, 0, 0},
        {"missing.eml", "pos=0", 404, 0, 0},
        {outside, "", 404, 0, 0},
    };
    for (const auto& c : cases) {
        const Response response = serving.download(c.path, QueryParams::parse(c.query));
        EXPECT_EQ(c.status, response.status) << c.path << "?" << c.query;
        ASSERT_EQ(c.status == 200, response.file.has_value()) << c.path << "?" << c.query;
        if (response.file) {
            EXPECT_EQ(c.offset, response.file->offset) << c.query;
            EXPECT_EQ(c.length, response.file->length) << c.query;
        }
    }
    EXPECT_EQ("", FileServing::resolve("/srv", "a/../b"));
    EXPECT_EQ("", FileServing::resolve("/srv", "./a"));
    EXPECT_EQ("", FileServing::resolve("/srv", std::string("a\0b", 3)));
    EXPECT_EQ("", FileServing::resolve("", "a"));
    EXPECT_EQ("/srv/a/b", FileServing::resolve("/srv", "//a//b/"));
}

} // namespace
} // namespace nvmaild
