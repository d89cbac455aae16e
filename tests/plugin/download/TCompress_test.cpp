#include "plugin/download/TCompress.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "plugin/download/ZipEntryName.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/download/ZipWriter.h"
#include "tests/support/TempFolder.h"

namespace {

using Set = std::set<std::string>;

const std::string kUtf8Bytes = u8"中文";         // E4 B8 AD E6 96 87: also valid GB 18030
const std::string kGbBytes = "\xD6\xD0\xCE\xC4"; // 中文 in GB 18030: not valid UTF-8

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

// A sandbox folder holding the destination "dest/" of each extraction, so that a case can assert
// the complete tree an archive left behind, inside the destination and beside it.
class ExtractionFixture : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dest); }

    // Extracts into dest; errno afterwards is kept in `error`.
    bool extract(const ZipWriter& zip, const std::string& charset = "utf-8",
                 unsigned long bufferSize = 65536) {
        std::ofstream(archive, std::ios::binary | std::ios::trunc) << zip.bytes();
        return extractFile(archive, charset, bufferSize);
    }
    bool extractFile(const std::string& path, const std::string& charset = "utf-8",
                     unsigned long bufferSize = 65536) {
        errno = 0;
        bool done = TCompress::unzip(FB::utf8_to_wstring(path), FB::utf8_to_wstring(dest),
                                     bufferSize, nullptr, nullptr, charset);
        error = errno;
        return done;
    }

    // Everything below the sandbox, relative to it: folders end in "/", links in "@".
    std::set<std::string> tree() const {
        std::set<std::string> found;
        for (const auto& item : std::filesystem::recursive_directory_iterator(sandbox)) {
            std::string name = item.path().string().substr(sandbox.size());
            if (item.is_symlink()) {
                name += "@";
            } else if (item.is_directory()) {
                name += "/";
            }
            found.insert(name);
        }
        return found;
    }

    std::string read(const std::string& relative) const {
        std::ifstream file(sandbox + relative, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        return content.str();
    }

    TempFolder folder{"nvzip"};
    const std::string root = folder.path;
    const std::string sandbox = root + "/sandbox/";
    const std::string dest = sandbox + "dest/";
    const std::string archive = root + "/archive.zip";
    int error = 0;
};

struct HostileName {
    std::string name;
    Set expected;       // the tree afterwards; only "dest/" means the entry was refused
    int error = EINVAL; // errno when refused
};

} // namespace

using TCompressUnzip = ExtractionFixture;

TEST(ChangeCharset, TheCharsetOnlyDecidesWhichDecodingIsTriedFirst) {
    const struct {
        std::string bytes;
        const char* charset;
        std::wstring name;
    } cases[] = {
        {kUtf8Bytes, "utf-8", L"中文"},
        {kUtf8Bytes, "utf8", L"中文"},
        {kUtf8Bytes, "", L"中文"},
        {kGbBytes, "gb18030", L"中文"},
        {kGbBytes, "utf-8", L"中文"},
        {kGbBytes, "UTF-8", L"中文"},               // only the exact lower-case names mean UTF-8
        {"\x81\x30\x81\x30", "gb18030", L"\u0080"}, // four bytes: GB 18030, not just GBK
        {u8"中", "gb18030", L"中"}, // E4 B8 AD: not GB 18030, so read as UTF-8 after all
        // Bytes neither decoding accepts, also when cut inside a character by the 255-byte limit.
        {"\xFF", "utf-8", L""},
        {"\xFF", "gb18030", L""},
        {"ab\xD6", "gb18030", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(changeCharset(c.bytes, c.charset), c.name) << c.charset;
    }
    // GB 18030 first: the UTF-8 bytes decode to other characters, and those win.
    std::wstring asGb = changeCharset(kUtf8Bytes, "gb18030");
    EXPECT_EQ(asGb.size(), 3u);
    EXPECT_NE(asGb, L"中文");
}

TEST_F(TCompressUnzip, FoldersAreFlattenedAndNumberedWhenExtractedTwiceIntoOnePlace) {
    ZipWriter zip;
    zip.addFolder("docs/").addFile("docs/a.txt", "alpha").addFile("docs/sub/b.txt", "beta", true);
    zip.addFolder("empty/").addFile("top.txt", "first");
    ASSERT_TRUE(extract(zip));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/docs/", "dest/docs/a.txt", "dest/docs_sub/",
                           "dest/docs_sub/b.txt", "dest/empty/", "dest/top.txt"}));
    EXPECT_EQ(read("dest/docs_sub/b.txt"), "beta");
    ZipWriter again;
    again.addFolder("docs/").addFile("docs/a.txt", "alpha 2").addFile("docs/sub/b.txt", "beta 2");
    // A file takes a folder's name as much as a folder does.
    again.addFile("top.txt", "second").addFile("top.txt/c.txt", "gamma");
    ASSERT_TRUE(extract(again));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/docs/", "dest/docs/a.txt", "dest/docs_sub/",
                           "dest/docs_sub/b.txt", "dest/docs.1/", "dest/docs.1/a.txt",
                           "dest/docs_sub.1/", "dest/docs_sub.1/b.txt", "dest/empty/",
                           "dest/top.txt", "dest/top.txt.1/", "dest/top.txt.1/c.txt"}));
    EXPECT_EQ(read("dest/docs/a.txt"), "alpha");
    EXPECT_EQ(read("dest/docs.1/a.txt"), "alpha 2");
    EXPECT_EQ(read("dest/docs_sub.1/b.txt"), "beta 2");
    EXPECT_EQ(read("dest/top.txt"), "second");
}

TEST_F(TCompressUnzip, NamesAreDecodedByCharsetWithTheUtf8FlagTakingPrecedence) {
    const std::string gbName = "\xD6\xD0\xCE\xC4\xCE\xC4\xB5\xB5.txt"; // 中文文档.txt
    const std::string utf8Name = u8"中文文档.txt";
    ZipEntry flagged(u8"目录/说明.txt", "flagged");
    flagged.utf8Name = true;
    ZipWriter zip;
    zip.addFile(gbName, "gb").add(flagged);
    ASSERT_TRUE(extract(zip, "gb18030"));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/" + utf8Name, u8"dest/目录/", u8"dest/目录/说明.txt"}));
}

TEST_F(TCompressUnzip, ContentSurvivesSmallBuffersAndBothMethods) {
    std::string large = randomBytes(300000, 7) + std::string(300000, 'z');
    ZipWriter zip;
    zip.addFile("stored.bin", large).addFile("deflated.bin", large, true).addFile("empty", "");
    ASSERT_TRUE(extract(zip, "utf-8", 100));
    EXPECT_EQ(read("dest/stored.bin"), large);
    EXPECT_EQ(read("dest/deflated.bin"), large);
    EXPECT_EQ(read("dest/empty"), "");
}

TEST_F(TCompressUnzip, DamagedEntriesFailAndStopTheRun) {
    ZipEntry badCrc("crc.txt", "some content");
    badCrc.crc = 0x12345678;
    ZipEntry badStream("stream.txt", std::string(5000, 'q'), true);
    badStream.stored = std::string("\xff\xff\xff\xff garbage", 12);
    // Data that ends before its declared size: minizip stops reading at the end of the data and
    // never gets to compare the CRC.
    ZipEntry shortData("short.txt", "only this");
    shortData.uncompressedSize = 100;
    ZipEntry endsEarly("early.txt", "complete stream", true);
    endsEarly.uncompressedSize = 1000;
    for (const ZipEntry& damaged : {badCrc, badStream, shortData, endsEarly}) {
        ZipWriter zip;
        zip.add(damaged).addFile("after.txt", "never");
        EXPECT_FALSE(extract(zip)) << damaged.name;
        EXPECT_EQ(error, EBADMSG) << damaged.name;
        EXPECT_EQ(tree().count("dest/after.txt"), 0u) << damaged.name;
    }
}

TEST_F(TCompressUnzip, BrokenOrMissingArchivesAndAMissingDestinationFail) {
    ZipWriter zip;
    zip.addFile("a.txt", std::string(1000, 'a')).addFile("b.txt", std::string(1000, 'b'));
    std::string bytes = zip.bytes();
    for (size_t cut : {bytes.size() / 2, bytes.size() - 10, size_t{10}}) {
        std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes.substr(0, cut);
        EXPECT_FALSE(extractFile(archive)) << cut;
        EXPECT_EQ(error, EBADMSG) << cut;
    }
    EXPECT_FALSE(extractFile(root + "/missing.zip"));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(extractFile(dest));
    EXPECT_EQ(tree(), Set{"dest/"});
    // A directory shorter than announced fails after the real entries.
    EXPECT_FALSE(extract(zip.announceEntries(3)));
    EXPECT_EQ(error, EBADMSG);
    EXPECT_EQ(tree(), (Set{"dest/", "dest/a.txt", "dest/b.txt"}));
    std::filesystem::remove_all(dest);
    for (const char* name : {"docs/a.txt", "a.txt"}) {
        EXPECT_FALSE(extract(ZipWriter().addFile(name, "a"))) << name;
        EXPECT_EQ(error, ENOENT) << name;
    }
    EXPECT_EQ(tree(), Set{});
}

TEST_F(TCompressUnzip, AFailedWriteEndsTheRunWithTheSystemError) {
    // A file size limit makes the kernel refuse writes the way a full disk does, after a short
    // write for the part that still fits.
    ZipWriter zip;
    zip.addFile("big.bin", randomBytes(30000, 3), true).addFile("after.txt", "never");
    std::ofstream(archive, std::ios::binary) << zip.bytes();
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 10000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool done = extractFile(archive, "utf-8", 8192);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(done);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(tree(), (Set{"dest/", "dest/big.bin"}));
}

// Archives are input from the network: whatever their names say, nothing may land outside the
// destination, no link may be made or followed, and a name that cannot be kept inside (or read)
// fails the extraction with errno telling why.
using HostileArchive = ExtractionFixture;

TEST_F(HostileArchive, NamesThatClimbOrCannotBeReadStayInsideOrFail) {
    const HostileName cases[] = {
        {"../x", {"dest/"}},
        {"..\\x", {"dest/"}},
        {"..", {"dest/"}},
        {".", {"dest/"}},
        {"../", {"dest/"}},
        {"./", {"dest/"}},
        {"/x", {"dest/"}},
        {"a/..", {"dest/"}},
        {"a/.", {"dest/"}},
        {"", {"dest/"}},
        {"a/../../x", {"dest/", "dest/a_.._../", "dest/a_.._../x"}},
        {"/etc/x", {"dest/", "dest/_etc/", "dest/_etc/x"}},
        {"C:\\x", {"dest/", "dest/C_/", "dest/C_/x"}},
        {"a:b\\c:d", {"dest/", "dest/a_b/", "dest/a_b/c_d"}},
        {"..x", {"dest/", "dest/..x"}},
        {std::string("a.txt\0/../../x", 14), {"dest/"}},
        {"\xFF\xFF.txt", {"dest/"}, EILSEQ},
        {std::string(255, 'n'), {"dest/", "dest/" + std::string(255, 'n')}},
        {std::string(300, 'm'), {"dest/", "dest/" + std::string(255, 'm')}},
    };
    for (const HostileName& hostile : cases) {
        std::filesystem::remove_all(dest);
        std::filesystem::create_directory(dest);
        ZipWriter zip;
        zip.addFile(hostile.name, "payload");
        bool refused = hostile.expected == Set{"dest/"};
        EXPECT_EQ(extract(zip), !refused) << hostile.name;
        if (refused) {
            EXPECT_EQ(error, hostile.error) << hostile.name;
        }
        EXPECT_EQ(tree(), hostile.expected) << hostile.name;
    }
}

TEST_F(HostileArchive, LinksAreNeitherMadeNorFollowed) {
    std::string outside = root + "/outside.txt";
    std::ofstream(outside) << "keep";
    ASSERT_EQ(symlink(outside.c_str(), (dest + "evil").c_str()), 0);
    // Dangling: following it would create the folder it names.
    ASSERT_EQ(symlink((root + "/made").c_str(), (dest + "docs").c_str()), 0);
    ZipEntry link("link", "../../outside");
    link.unixMode = 0120777;
    ZipWriter zip;
    zip.add(link).addFile("docs/a.txt", "into a fresh folder").addFile("evil", "overwrite");
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(tree(), (Set{"dest/", "dest/link", "dest/evil@", "dest/docs@", "dest/docs.1/",
                           "dest/docs.1/a.txt"}));
    EXPECT_EQ(read("dest/link"), "../../outside") << "a link entry becomes a plain file";
    EXPECT_FALSE(std::filesystem::exists(root + "/made"));
    EXPECT_EQ(read("../outside.txt"), "keep");
}

TEST_F(HostileArchive, EncryptedEntriesFail) {
    ZipEntry encrypted("secret.txt", std::string(100, 's'), true);
    encrypted.encrypted = true;
    EXPECT_FALSE(extract(ZipWriter().add(encrypted)));
    EXPECT_EQ(error, ENOTSUP);
    EXPECT_EQ(tree(), Set{"dest/"});
}
