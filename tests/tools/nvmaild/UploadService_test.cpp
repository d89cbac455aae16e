#include "tools/nvmaild/UploadService.h"

#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/nvmaild/UploadFixture.h"

namespace nvmaild::test {
namespace {

using UploadServiceTest = UploadFixture;

TEST_F(UploadServiceTest, MalformedQueriesAreRefusedNamingTheField) {
    const std::string good = formFor(FileForm{"hello"});
    const struct {
        std::string form;
        const char* field;
    } cases[] = {
        {"size=5&crc=1&attachId=-1", "fileName"},
        {"fileName=a&crc=1&attachId=-1", "size"},
        {"fileName=a&size=-5&crc=1&attachId=-1", "size"},
        {"fileName=a&size=5x&crc=1&attachId=-1", "size"},
        {"fileName=a&size=5&attachId=-1", "crc"},
        {"fileName=a&size=+5&crc=1&attachId=-1", "size"},
        {"fileName=a&size=5&crc=4294967295&attachId=-1", "crc"},
        {"fileName=a&size=5&crc=2147483648&attachId=-1", "crc"},
        {"fileName=a&size=5&crc=-2147483649&attachId=-1", "crc"},
        {"fileName=a&size=5&crc=1", "attachId"},
        {"fileName=a&size=5&crc=1&attachId=", "attachId"},
        {"fileName=a&size=5&crc=1&attachId=-1&crc2=short", "crc2"},
        {good + "&size=6", "size"},
        {"fileName=a&size=0&crc=7&attachId=-1", "crc"},
    };
    for (const auto& c : cases) {
        const std::string text = service.query(QueryParams::parse(""), QueryParams::parse(c.form));
        const QueryStep outcome = readQuery(text, 5);
        EXPECT_EQ(9, outcome.error) << c.form;
        EXPECT_EQ("FAIL invalid_parameter " + std::string(c.field) + "\n", text) << c.form;
    }
    EXPECT_TRUE(store.list().empty());
}

// Each refusal reaches the plug-in as the error number it counts, and never echoes client text
// that could read as success.
TEST_F(UploadServiceTest, QueriesAreRefusedAsThePluginCountsThem) {
    ASSERT_TRUE(setLimit("maxFileSize", "10"));
    ASSERT_TRUE(setLimit("maxFiles", "2"));
    ASSERT_TRUE(setLimit("requireCompose", "1"));
    store.addCompose("c1");
    store.addCompose("c2");
    const std::string known = startUpload("known", "composeId=c2");
    FileForm evil{"eleven byte"};
    evil.fileName = "S_OK offset=0 attid=evil";
    FileForm unknownId{"known"};
    unknownId.attachId = "nosuchid";
    FileForm changed{"changed"};
    changed.attachId = known;
    const struct {
        FileForm file;
        std::string url;
        int error;
        std::string text; // of a refusal
    } cases[] = {
        {FileForm{"ten bytes!"}, "composeId=c1", 0, ""},
        {FileForm{"eleven byte"}, "composeId=c1", 8, "FAIL overflow\n"},
        {evil, "composeId=c1", 8, "FAIL overflow\n"},
        {FileForm{"second"}, "composeId=c1", 0, ""},
        {FileForm{"third"}, "composeId=c1", 7, "FAIL file_count_overflow\n"},
        {FileForm{"2nd in c2"}, "composeId=c2", 0, ""},
        {FileForm{"x"}, "", 6, "FAIL compose_not_found\n"},
        {FileForm{"x"}, "composeId=c3", 6, "FAIL compose_not_found\n"},
        {FileForm{"x"}, "composeId=c1&composeId=c1", 9, "FAIL invalid_parameter composeId\n"},
        {unknownId, "composeId=c2", 9, "FAIL attachment_not_found\n"},
        {changed, "composeId=c2", 9, "FAIL attachment_mismatch\n"},
    };
    for (const auto& c : cases) {
        const QueryStep outcome = query(c.file, c.url);
        EXPECT_EQ(c.error, outcome.error) << c.file.content << " " << c.url;
        EXPECT_EQ(c.text, c.error ? outcome.errorText : "") << c.file.content << " " << c.url;
    }
}

// Follows the answers from the query to the end as the plug-in does.
TEST_F(UploadServiceTest, PluginBlocksEndVerifiedWithTheExactBytesRawOrDeflated) {
    for (bool deflated : {false, true}) {
        // Different bytes each time, or the second upload would be an instant one.
        const std::string content =
            std::string(300000, 'a') + patterned(200000) + (deflated ? "d" : "r");
        const QueryStep answer = query(FileForm{content});
        EXPECT_TRUE(answer.deflate) << "accepted unless switched off";
        std::vector<std::uint64_t> starts;
        BlockStep outcome;
        outcome.next = NextStep::Send;
        outcome.offset = answer.offset;
        while (outcome.next == NextStep::Send && starts.size() < 5) {
            starts.push_back(outcome.offset);
            outcome = sendBlock(*answer.attachId, content, outcome.offset, 204800, deflated);
        }
        EXPECT_TRUE(verified(outcome.next)) << outcome.errorText;
        EXPECT_EQ((std::vector<std::uint64_t>{0, 204800, 409600}), starts) << deflated;
        EXPECT_EQ(content, stored(*answer.attachId)) << deflated;
    }
}

// An instant upload: a new query finds a verified file by size, crc and the same crc2.
TEST_F(UploadServiceTest, OnlyAFileVerifiedByTheSameCrc2IsHeldForANewQuery) {
    const std::string content = patterned(3000);
    const std::string first = startUpload(content);
    ASSERT_TRUE(verified(sendBlock(first, content, 0, 3000).next));
    FileForm sameById{content};
    sameById.attachId = first;
    FileForm withoutCrc2{content};
    withoutCrc2.withCrc2 = false;
    FileForm emptyWithoutCrc2{""};
    emptyWithoutCrc2.withCrc2 = false;
    const struct {
        FileForm file;
        bool verified;
    } cases[] = {
        {FileForm{content}, true}, {sameById, true},
        {withoutCrc2, false},      {FileForm{patterned(2999) + "!"}, false},
        {FileForm{""}, true},      {emptyWithoutCrc2, false},
    };
    for (const auto& c : cases) {
        const QueryStep outcome = query(c.file);
        EXPECT_EQ(c.verified, verified(outcome.next))
            << c.file.content.size() << " " << c.file.attachId;
        EXPECT_EQ(0u, outcome.offset) << "a new attachment without crc2 starts empty";
    }
    const QueryStep instant = query(FileForm{content});
    EXPECT_NE(first, *instant.attachId) << "a new attachment of the same file";
    EXPECT_EQ(content, stored(*instant.attachId));
}

// The count answered is what the server holds: half of a block under the partial switch, and only
// the bytes past those held of a block sent again.
TEST_F(UploadServiceTest, TheCountIsWhatIsHeldAndHeldBytesAreNeverRewritten) {
    const std::string content = patterned(10000);
    const std::string id = startUpload(content);
    EXPECT_EQ(3000u, sendBlock(id, content, 0, 6000, false, true).offset);
    const std::string resend(2000, 'Z');
    EXPECT_EQ(4000u, readBlock(blockText(blockUrl(id, 2000), resend), 10000, 4000).offset);
    EXPECT_EQ(4000u, readBlock(blockText(blockUrl(id, 10), "xx"), 10000, 12).offset);
    EXPECT_EQ(content.substr(0, 3000) + std::string(1000, 'Z'), stored(id));
}

// Limits lowered after the query apply to its blocks; a refused block changes nothing.
TEST_F(UploadServiceTest, BadBlocksAreRefusedAsThePluginCountsThemAndChangeNothing) {
    const std::string content = patterned(400);
    const std::string id = startUpload(content);
    ASSERT_EQ(100u, sendBlock(id, content, 0, 100).offset);
    ASSERT_TRUE(setLimit("maxBlockSize", "350"));
    ASSERT_TRUE(setLimit("maxFileSize", "250"));
    const std::string at0 = blockUrl(id, 0, true);
    const std::string at100 = blockUrl(id, 100);
    const std::string deflatedAt100 = blockUrl(id, 100, true);
    const std::string good = deflate(content.substr(100, 100));
    std::string badCheck = good;
    badCheck.back() ^= 0x01;
    const struct {
        std::string url;
        std::string body;
        int error;
        const char* code;
    } cases[] = {
        {"attachId=" + id, "", 9, "FA_INVALID_PARAMETER"},
        {"offset=-1&attachId=" + id, "", 9, "FA_INVALID_PARAMETER"},
        {"offset=abc&attachId=" + id, "", 9, "FA_INVALID_PARAMETER"},
        {"offset=18446744073709551616&attachId=" + id, "", 9, "FA_INVALID_PARAMETER"},
        {"offset=100&offset=100&attachId=" + id, "", 9, "FA_INVALID_PARAMETER"},
        {"offset=100", "", 9, "FA_INVALID_PARAMETER"},
        {at100 + "&contentEncoding=gzip", "", 9, "FA_INVALID_PARAMETER"},
        {blockUrl(id, 101), "", 9, "FA_INVALID_OFFSET"},
        {"offset=18446744073709551615&attachId=" + id, "", 9, "FA_INVALID_OFFSET"},
        {blockUrl("-1", 100), "", 9, "FA_ATTACHMENT_NOT_FOUND"},
        {at100, std::string(351, 'r'), 9, "FA_REQUEST_TOO_LARGE"},
        {at0, deflate(std::string(351, 'r')), 9, "FA_REQUEST_TOO_LARGE"},
        {at100, content.substr(100) + "x", 8, "FA_UPLOAD_SIZE_EXCEEDED"},
        {deflatedAt100, deflate(content.substr(100) + "x"), 8, "FA_UPLOAD_SIZE_EXCEEDED"},
        {at100, content.substr(100, 151), 8, "FA_UPLOAD_SIZE_EXCEEDED"},
        {deflatedAt100, content.substr(100, 100), 9, "FA_INVALID_CONTENT"},
        {deflatedAt100, good.substr(0, good.size() / 2), 9, "FA_INVALID_CONTENT"},
        {deflatedAt100, good + "trailing", 9, "FA_INVALID_CONTENT"},
        {deflatedAt100, badCheck, 9, "FA_INVALID_CONTENT"},
        {deflatedAt100, "", 9, "FA_INVALID_CONTENT"},
    };
    for (const auto& c : cases) {
        const BlockStep outcome = readBlock(blockText(c.url, c.body), 400, 0);
        EXPECT_EQ(c.error, outcome.error) << c.url << " " << c.body.size();
        EXPECT_NE(std::string::npos, outcome.errorText.find(c.code)) << outcome.errorText;
    }
    EXPECT_EQ(content.substr(0, 100), stored(id));
    EXPECT_EQ(250u, sendBlock(id, content, 100, 150, true).offset) << "up to the limits";
}

TEST_F(UploadServiceTest, DeflateIsNeitherAnnouncedNorTakenWhenSwitchedOff) {
    ASSERT_TRUE(setLimit("acceptDeflate", "0"));
    const std::string content = patterned(100);
    const QueryStep answer = query(FileForm{content});
    EXPECT_FALSE(answer.deflate);
    EXPECT_EQ(9, sendBlock(*answer.attachId, content, 0, 100, true).error);
    EXPECT_TRUE(verified(sendBlock(*answer.attachId, content, 0, 100).next));
}

// A file changed under the plug-in declares the checksums of other bytes: refused by crc2 or,
// without one, by crc; emptied so that a restart sends it again; never shared as a copy.
TEST_F(UploadServiceTest, AFileFailingItsChecksumIsEmptiedSoARestartSendsItAgain) {
    const std::string content = patterned(1000);
    for (bool withCrc2 : {true, false}) {
        FileForm declared{content.substr(0, 999) + "#"};
        declared.withCrc2 = withCrc2;
        declared.attachId = query(declared).attachId.value_or("");
        const BlockStep outcome = sendBlock(declared.attachId, content, 0, 1000);
        EXPECT_EQ(5, outcome.error) << withCrc2;
        EXPECT_EQ("upload respond crcOK return false", outcome.errorText);
        EXPECT_EQ(0u, held(declared.attachId));
        EXPECT_EQ(0u, query(declared).offset);
    }
    EXPECT_FALSE(verified(query(FileForm{content}).next)) << "a failed file is no copy to share";
}

TEST_F(UploadServiceTest, ComposeRemovedDuringAnUploadRefusesItsBlocks) {
    ASSERT_TRUE(setLimit("requireCompose", "1"));
    store.addCompose("draft7");
    const std::string content = patterned(1000);
    const QueryStep answer = query(FileForm{content}, "composeId=draft7");
    ASSERT_EQ(0, answer.error);
    EXPECT_EQ(500u, sendBlock(*answer.attachId, content, 0, 500).offset);
    store.removeCompose("draft7");
    const BlockStep outcome = sendBlock(*answer.attachId, content, 500, 500);
    EXPECT_EQ(6, outcome.error);
    EXPECT_EQ(0u, outcome.errorText.find("<result><code>FA_COMPOSE_NOT_FOUND</code>"))
        << "the text from the second line on";
}

TEST_F(UploadServiceTest, RacingUploadsOfOneAttachmentNeverCorruptIt) {
    const std::string content = patterned(200000);
    const std::string id = startUpload(content);
    std::atomic<int> verifiedUploads{0};
    std::vector<std::thread> uploaders;
    for (int t = 0; t < 4; ++t) {
        uploaders.emplace_back([&] {
            // Each uploader follows the server's counts, as a restarted plug-in would.
            std::uint64_t offset = 0;
            for (int step = 0; step < 2000 && offset < content.size(); ++step) {
                const BlockStep outcome = sendBlock(id, content, offset, 7000);
                if (verified(outcome.next)) {
                    ++verifiedUploads;
                    return;
                }
                if (outcome.error == 0)
                    offset = outcome.offset;
                else
                    offset = held(id);
            }
        });
    }
    for (std::thread& uploader : uploaders)
        uploader.join();
    EXPECT_GE(verifiedUploads.load(), 1);
    EXPECT_EQ(content, stored(id));
    EXPECT_TRUE(store.find(id)->snapshot().verified);
}

TEST_F(UploadServiceTest, ResetRefusesBlocksInFlightAndForgetsIds) {
    const std::string content = patterned(1000);
    const std::string id = startUpload(content);
    const std::string dataPath = store.find(id)->dataPath();
    auto start = service.beginBlock(QueryParams::parse(blockUrl(id, 0)));
    ASSERT_TRUE(start.ticket);
    store.reset();
    const std::string answer = service.finishBlock(*start.ticket, content, false);
    EXPECT_NE(std::string::npos, answer.find("FA_ATTACHMENT_NOT_FOUND")) << answer;
    EXPECT_NE(0, ::access(dataPath.c_str(), F_OK)) << "the data file is deleted";
    FileForm again{content};
    again.attachId = id;
    EXPECT_EQ("FAIL attachment_not_found\n", queryText(again));
}

} // namespace
} // namespace nvmaild::test
