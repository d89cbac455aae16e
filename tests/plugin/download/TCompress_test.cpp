#include "plugin/download/TCompress.h"

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "plugin/download/ZipEntryExtract.h"
#include "tests/plugin/download/ExtractionFixture.h"

namespace {

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

using Set = std::set<std::string>;

} // namespace

TEST(TCompressCompress, RepeatedBytesBecomeAZlibStreamOthersAreLeftAlone) {
    const struct {
        int level;
        std::string data;
        bool compressed;
    } cases[] = {{1, std::string(1000, 'x'), true},
                 {9, std::string(1000, 'x'), true},
                 {6, randomBytes(4096, 1), false},
                 {6, "", false},
                 {42, std::string(1000, 'x'), false}};
    for (const auto& c : cases) {
        std::string data = c.data;
        ASSERT_EQ(TCompress::compress(c.level, data), c.compressed) << c.level;
        if (!c.compressed) {
            EXPECT_EQ(data, c.data) << c.level;
            continue;
        }
        // zlib framing (CMF 0x78: deflate, 32 KiB window), not raw deflate and not gzip.
        EXPECT_EQ(static_cast<unsigned char>(data[0]), 0x78);
        std::string inflated(c.data.size(), '\0');
        uLongf size = inflated.size();
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&inflated[0]), &size,
                             reinterpret_cast<const Bytef*>(data.data()), data.size()),
                  Z_OK);
        EXPECT_EQ(inflated, c.data);
    }
}

using TCompressUnzip = ExtractionFixture;

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
    again.addFile("top.txt", "second");
    ASSERT_TRUE(extract(again));
    EXPECT_EQ(tree(),
              (Set{"dest/", "dest/docs/", "dest/docs/a.txt", "dest/docs_sub/",
                   "dest/docs_sub/b.txt", "dest/docs.1/", "dest/docs.1/a.txt", "dest/docs_sub.1/",
                   "dest/docs_sub.1/b.txt", "dest/empty/", "dest/top.txt"}));
    EXPECT_EQ(read("dest/docs/a.txt"), "alpha");
    EXPECT_EQ(read("dest/docs.1/a.txt"), "alpha 2");
    EXPECT_EQ(read("dest/docs_sub.1/b.txt"), "beta 2");
    EXPECT_EQ(read("dest/top.txt"), "second");
}

TEST_F(TCompressUnzip, ProgressComesBeforeEachEntryWithTheCallersContext) {
    ZipWriter zip;
    zip.addFile("a", "1").addFile("b", "2").addFile("c", "3");
    zip.write(archive);
    std::vector<std::pair<unsigned long long, unsigned long long>> calls;
    std::vector<bool> extractedBefore;
    int context = 0;
    auto progress = [&](void* given, unsigned long long index, unsigned long long count) {
        EXPECT_EQ(given, &context);
        calls.emplace_back(index, count);
        extractedBefore.push_back(std::filesystem::exists(dest + std::string(1, 'a' + index)));
    };
    ASSERT_TRUE(TCompress::unzip(FB::utf8_to_wstring(archive), FB::utf8_to_wstring(dest), 0,
                                 progress, &context, "utf-8"));
    EXPECT_EQ(calls, (std::vector<std::pair<unsigned long long, unsigned long long>>{
                         {0, 3}, {1, 3}, {2, 3}}));
    EXPECT_EQ(extractedBefore, (std::vector<bool>{false, false, false}));

    calls.clear();
    ZipWriter().write(archive);
    EXPECT_TRUE(TCompress::unzip(FB::utf8_to_wstring(archive), FB::utf8_to_wstring(dest), 0,
                                 progress, &context, "gb18030"));
    EXPECT_TRUE(calls.empty()) << "an archive without entries";
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

    // Not valid UTF-8, so a caller expecting UTF-8 still gets the GB 18030 name.
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
    ASSERT_TRUE(extract(ZipWriter().addFile(gbName, "gb"), "utf-8"));
    EXPECT_EQ(tree(), (Set{"dest/", "dest/" + utf8Name}));
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

TEST_F(TCompressUnzip, TruncatedOrMissingArchivesFail) {
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
}

TEST_F(TCompressUnzip, ADirectoryShorterThanAnnouncedFailsAfterTheRealEntries) {
    ZipWriter zip;
    zip.addFile("a.txt", "a").addFile("b.txt", "b").announceEntries(3);
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, EBADMSG);
    EXPECT_EQ(tree(), (Set{"dest/", "dest/a.txt", "dest/b.txt"}));
}

TEST_F(TCompressUnzip, AFailedWriteEndsTheRunWithTheSystemError) {
    // A file size limit makes the kernel refuse writes the way a full disk does, after a short
    // write for the part that still fits.
    ZipWriter zip;
    zip.addFile("big.bin", randomBytes(30000, 3), true).addFile("after.txt", "never");
    zip.write(archive);
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

TEST_F(TCompressUnzip, AMissingDestinationFailsWithTheSystemError) {
    std::filesystem::remove(dest);
    ZipWriter zip;
    zip.addFile("docs/a.txt", "a");
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, ENOENT);
    zip = ZipWriter();
    zip.addFile("a.txt", "a");
    EXPECT_FALSE(extract(zip));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(tree(), Set{});
}

TEST(ExtractBufferSize, IsKeptBetween8KiBAnd10MiB) {
    EXPECT_EQ(extractBufferSize(100), 8192u);
    EXPECT_EQ(extractBufferSize(65536), 65536u);
    EXPECT_EQ(extractBufferSize(50ul * 1024 * 1024), 10ul * 1024 * 1024);
}
