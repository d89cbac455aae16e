#include "plugin/application/SettingsFile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "tests/support/TempFolder.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    std::string content() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeRaw(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    boost::shared_ptr<NVPlugin> plugin() {
        auto p = boost::make_shared<NVPlugin>();
        p->setSettingsPath(path);
        return p;
    }

    TempFolder folder{"settings"};
    std::string dir = folder.path;
    std::string path = dir + "/.NorvanePlugin.setting";
};

} // namespace

TEST_F(SettingsTest, ValuesAreWrittenEncodedOneLinePerKeyInOrder) {
    auto p = plugin();
    EXPECT_EQ(p->loadSetting("DownloadLastFolder"), "");
    EXPECT_FALSE(std::filesystem::exists(path)) << "reading creates nothing";
    p->saveSetting("DownloadLastFolder", "/Users/a b/Mail 100%");
    EXPECT_EQ(content(), "DownloadLastFolder=/Users/a+b/Mail+100%25\n");
    p->saveSetting("A", "\xc3\xa9=+");
    p->saveSetting("", "empty key");
    EXPECT_EQ(content(), "=empty+key\nA=%c3%a9%3d%2b\nDownloadLastFolder=/Users/a+b/Mail+100%25\n");
    EXPECT_EQ(plugin()->loadSetting("A"), "\xc3\xa9=+");
}

TEST_F(SettingsTest, AFailingWriteLosesNothingStored) {
    writeRaw("DownloadLastFolder=/old\n");
    auto p = plugin();
    p->loadSetting("x");
    // A file size limit makes the write fail part way, as a full disk would (root included).
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    p->saveSetting("DownloadLastFolder", "/new/" + std::string(200, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(p->loadSetting("DownloadLastFolder"), "/new/" + std::string(200, 'x'))
        << "kept in memory";
    EXPECT_EQ(content(), "DownloadLastFolder=/old\n") << "the old file is intact";
}

// The file is replaced whole through a temporary beside it, keeping what was stored; a link is
// written through.
TEST_F(SettingsTest, WritesKeepStoredKeysLeaveNoTemporaryFileAndKeepALinkALink) {
    std::string real = dir + "/real.setting";
    std::ofstream(real) << "x=1\n";
    ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0);
    auto p = plugin();
    p->saveSetting("a", "1");
    p->saveSetting("b", "2");
    EXPECT_EQ(content(), "a=1\nb=2\nx=1\n");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    std::set<std::string> listing;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        listing.insert(entry.path().filename());
    }
    EXPECT_EQ(listing, (std::set<std::string>{".NorvanePlugin.setting", "real.setting"}));
    EXPECT_FALSE(writeSettingsFile(dir + "/missing/dir/file", {{"a", "1"}}));
}
