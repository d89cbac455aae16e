#include "plugin/download/TFolderMap.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TempFolder.h"

class TFolderMapTest : public ::testing::Test {
protected:
    std::wstring path(const std::string& name) const { return FB::utf8_to_wstring(dir + name); }

    TempFolder folder{"nvfolders"};
    const std::string dir = folder.path + "/";
};

TEST_F(TFolderMapTest, TakenNamesGetTheFirstFreeNumberAndKeepIt) {
    std::filesystem::create_directory(dir + "docs");
    std::ofstream(dir + "docs.1") << "a file takes the name too";
    ASSERT_EQ(symlink("nowhere", (dir + "docs.2").c_str()), 0);
    TFolderMap folders;
    EXPECT_EQ(folders.findFolder(path("docs")), path("docs.3"));
    EXPECT_EQ(folders.findFolder(path("free")), path("free"));
    // Once made, the folders exist; the run still gets the same answers.
    std::filesystem::create_directory(dir + "docs.3");
    std::filesystem::create_directory(dir + "free");
    EXPECT_EQ(folders.findFolder(path("docs")), path("docs.3"));
    EXPECT_EQ(folders.findFolder(path("free")), path("free"));
    // A new run starts from what is on disk.
    EXPECT_EQ(TFolderMap().findFolder(path("free")), path("free.1"));
}
