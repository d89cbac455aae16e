#include "plugin/upload/TMyFile.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace {

class TMyFileTest : public ::testing::Test {
protected:
    std::wstring write(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        return FB::utf8_to_wstring(dir + "/" + name);
    }

    TempFolder folder{"tmyfile"};
    const std::string dir = folder.path;
};

} // namespace

TEST_F(TMyFileTest, OpensLazilyAndRetriesAfterFailure) {
    TMyFile file(FB::utf8_to_wstring(dir + "/later.txt"));
    char buffer[8];
    EXPECT_EQ(file.read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.getError().rfind("(2)", 0), 0u);
    write("later.txt", "hello");
    EXPECT_EQ(file.read(buffer, sizeof buffer), 5u);
    file.close();
    EXPECT_EQ(file.fd, 0) << "closed, or the destructor would close a reused descriptor";
}

TEST_F(TMyFileTest, SizeKeepsThePositionAndOffsetsReachPastTheEndAndBeyond4GiB) {
    TMyFile file(write("data.bin", "0123456789"));
    char buffer[4];
    ASSERT_TRUE(file.offset(3));
    EXPECT_EQ(file.size(), 10u);
    ASSERT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "34");
    EXPECT_TRUE(file.offset(100));
    EXPECT_EQ(file.read(buffer, 4), 0u);
    EXPECT_EQ(TMyFile(write("\xe4\xb8\xad\xe6\x96\x87.txt", "x")).size(), 1u);
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

TEST_F(TMyFileTest, TemporaryNamesLiveUnderTmpdir) {
    ScopedEnvironment environment;
    environment.set("TMPDIR", dir); // no trailing slash, as Linux sets it
    std::wstring folder = TMyFile::mktemp(L"nvdownload", true);
    std::wstring name = TMyFile::mktemp(L"nvx", false);
    std::wstring prefix = FB::utf8_to_wstring(dir + "/nvdownload");
    ASSERT_EQ(folder.compare(0, prefix.size(), prefix), 0);
    EXPECT_EQ(folder.back(), L'/');
    struct stat info;
    ASSERT_EQ(stat(FB::wstring_to_utf8(folder).c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(name.compare(0, dir.size() + 4, FB::utf8_to_wstring(dir + "/nvx")), 0);
    EXPECT_NE(stat(FB::wstring_to_utf8(name).c_str(), &info), 0) << "the name exists nowhere";
    EXPECT_TRUE(TMyFile::mktemp(L"no/such/dir/x", true).empty());
    environment.unset("TMPDIR");
    EXPECT_EQ(TMyFile::mktemp(L"nvfallback", false).rfind(L"/tmp/nvfallback", 0), 0u);
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
