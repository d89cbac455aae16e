#include "plugin/upload/TMyFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "src/ScriptingCore/utf8_tools.h"

namespace {

class TMyFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tmyfileXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::wstring write(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        return FB::utf8_to_wstring(dir + "/" + name);
    }
    static bool exists(const std::wstring& path) {
        struct stat info;
        return stat(FB::wstring_to_utf8(path).c_str(), &info) == 0;
    }

    std::string dir;
};

} // namespace

TEST_F(TMyFileTest, OpensLazilyAndRetriesAfterFailure) {
    TMyFile file(FB::utf8_to_wstring(dir + "/later.txt"));
    char buffer[8];
    EXPECT_EQ(file.read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.fd, 0);
    EXPECT_EQ(file.getError().rfind("(2)", 0), 0u);
    write("later.txt", "hello");
    EXPECT_EQ(file.read(buffer, sizeof buffer), 5u);
    EXPECT_NE(file.fd, 0);
    file.close();
    EXPECT_EQ(file.fd, 0);
}

TEST_F(TMyFileTest, SizeKeepsThePositionAndOffsetsMayPassTheEnd) {
    TMyFile file(write("data.bin", "0123456789"));
    char buffer[4];
    ASSERT_TRUE(file.offset(3));
    EXPECT_EQ(file.size(), 10u);
    ASSERT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "34");
    EXPECT_TRUE(file.offset(100));
    EXPECT_EQ(file.read(buffer, 4), 0u);
}

TEST_F(TMyFileTest, PositionalReadsLeaveTheSequentialPositionAlone) {
    TMyFile file(write("data.bin", "abcdefghij"));
    char buffer[4];
    ASSERT_EQ(file.read(buffer, 2), 2u);
    ASSERT_EQ(file.readAt(6, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "ghij");
    ASSERT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "cd");
    EXPECT_EQ(file.readAt(50, buffer, 4), 0u);
}

TEST_F(TMyFileTest, UnicodeNamesAndLargeOffsets) {
    std::wstring name = write("\xe4\xb8\xad\xe6\x96\x87.txt", "x");
    TMyFile file(name);
    EXPECT_EQ(file.size(), 1u);
    std::string big = dir + "/sparse.bin";
    int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "Z", 1, 5000000000LL), 1);
    ::close(fd);
    TMyFile sparse(FB::utf8_to_wstring(big));
    EXPECT_EQ(sparse.size(), 5000000001ULL);
    char byte = 0;
    ASSERT_TRUE(sparse.offset(5000000000ULL));
    ASSERT_EQ(sparse.read(&byte, 1), 1u);
    EXPECT_EQ(byte, 'Z');
}

TEST_F(TMyFileTest, OpenToAppendReportsTheExistingSize) {
    std::wstring target = write("partial.nvtmp", "12345");
    TMyFile file(L"/unchanged");
    unsigned long long size = 0;
    ASSERT_TRUE(file.openToAppend(target, size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(::write(file.fd, "678", 3), 3);
    file.close();
    TMyFile check(target);
    EXPECT_EQ(check.size(), 8u);
    EXPECT_EQ(file.path, L"/unchanged");
    EXPECT_FALSE(file.openToAppend(FB::utf8_to_wstring(dir + "/missing/dir/x"), size));
    EXPECT_EQ(file.fd, 0);
}

TEST_F(TMyFileTest, CheckAndMkdirAppendsOneSlash) {
    std::wstring path = FB::utf8_to_wstring(dir + "/made");
    ASSERT_TRUE(TMyFile::checkAndMkdir(path));
    EXPECT_EQ(path.back(), L'/');
    std::wstring again = path;
    ASSERT_TRUE(TMyFile::checkAndMkdir(again));
    EXPECT_EQ(again, path) << "an existing path with a slash is left unchanged";
    std::wstring noSlash = path.substr(0, path.size() - 1);
    ASSERT_TRUE(TMyFile::checkAndMkdir(noSlash));
    EXPECT_EQ(noSlash, path);

    std::wstring file = write("plain", "x");
    EXPECT_FALSE(TMyFile::checkAndMkdir(file)) << "a file is not a folder";
    EXPECT_EQ(file, FB::utf8_to_wstring(dir + "/plain"));
    std::wstring nested = FB::utf8_to_wstring(dir + "/no/parents");
    EXPECT_FALSE(TMyFile::checkAndMkdir(nested));
}

TEST_F(TMyFileTest, RenameReplacesAndNeverLosesTheTarget) {
    std::wstring from = write("from", "new");
    std::wstring to = write("to", "old");
    ASSERT_TRUE(TMyFile::rename(from, to));
    EXPECT_FALSE(exists(from));
    std::ifstream in(FB::wstring_to_utf8(to));
    std::string content;
    in >> content;
    EXPECT_EQ(content, "new");
    EXPECT_FALSE(TMyFile::rename(FB::utf8_to_wstring(dir + "/missing"), to));
    EXPECT_TRUE(exists(to)) << "a failed rename must not delete the target";
}

TEST_F(TMyFileTest, TemporaryNamesLiveUnderTmpdir) {
    std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", dir.c_str(), 1); // no trailing slash, as Linux sets it
    std::wstring folder = TMyFile::mktemp(L"nvdownload", true);
    std::wstring name = TMyFile::mktemp(L"nvx", false);
    unsetenv("TMPDIR");
    std::wstring fallback = TMyFile::mktemp(L"nvfallback", false);
    if (!saved.empty()) {
        setenv("TMPDIR", saved.c_str(), 1);
    }

    std::wstring prefix = FB::utf8_to_wstring(dir + "/nvdownload");
    ASSERT_EQ(folder.compare(0, prefix.size(), prefix), 0);
    EXPECT_EQ(folder.back(), L'/');
    struct stat info;
    ASSERT_EQ(stat(FB::wstring_to_utf8(folder).c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(name.compare(0, dir.size() + 4, FB::utf8_to_wstring(dir + "/nvx")), 0);
    EXPECT_FALSE(exists(name));
    EXPECT_EQ(fallback.rfind(L"/tmp/nvfallback", 0), 0u);
    EXPECT_TRUE(TMyFile::mktemp(L"no/such/dir/x", true).empty());
}

TEST_F(TMyFileTest, DescriptorZeroIsNeverHandedOut) {
    int saved = dup(0);
    ::close(0);
    TMyFile file(write("zero", "z"));
    EXPECT_TRUE(file.open());
    EXPECT_GT(file.fd, 0);
    char byte;
    EXPECT_EQ(file.read(&byte, 1), 1u);
    file.close();
    dup2(saved, 0);
    ::close(saved);
}
