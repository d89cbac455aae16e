#include "tools/nvmaild/UploadService.h"

#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/nvmaild/UploadFixture.h"

namespace nvmaild::test {
namespace {

class UploadServiceTest : public UploadFixture {
protected:
    // Follows the answers from the query to the end as the plug-in does; where each block started.
    std::vector<std::uint64_t> uploadLikePlugin(const std::string& content, std::uint64_t blockSize,
                                                bool deflated) {
        const QueryOutcome answer = query(FileForm{content});
        EXPECT_EQ(0, answer.error) << answer.errorText;
        EXPECT_TRUE(answer.deflate) << "accepted unless switched off";
        lastId = answer.attachId;
        std::vector<std::uint64_t> starts;
        BlockOutcome outcome;
        for (std::uint64_t offset = answer.offset;
             outcome.error == 0 && !outcome.verified && !outcome.finished && starts.size() < 100;
             offset = outcome.next) {
            starts.push_back(offset);
            outcome = sendBlock(answer.attachId, content, offset, blockSize, deflated);
        }
        EXPECT_TRUE(outcome.verified) << outcome.errorText;
        return starts;
    }

    std::string lastId;
};

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
        {"fileName=a&size=5&crc=4294967295&attachId=-1", "crc"},
        {"fileName=a&size=5&crc=1", "attachId"},
        {"fileName=a&size=5&crc=1&attachId=", "attachId"},
        {"fileName=a&size=5&crc=1&attachId=-1&crc2=short", "crc2"},
        {good + "&size=6", "size"},
        {"fileName=a&size=0&crc=7&attachId=-1", "crc"},
    };
    for (const auto& c : cases) {
        const std::string text = service.query(QueryParams::parse(""), QueryParams::parse(c.form));
        const QueryOutcome outcome = readQueryAnswer(text, 5);
        EXPECT_EQ(9, outcome.error) << c.form;
        EXPECT_EQ("FAIL invalid_parameter " + std::string(c.field) + "\n", text) << c.form;
    }
    EXPECT_TRUE(store.list().empty());
}

TEST_F(UploadServiceTest, RefusalsAreClassifiedAsThePluginCountsThem) {
    ASSERT_TRUE(setLimit("maxFileSize", "10"));
    EXPECT_EQ(8, query(FileForm{"eleven byte"}).error);
    EXPECT_EQ(0, query(FileForm{"ten bytes!"}).error);

    ASSERT_TRUE(setLimit("maxFiles", "2"));
    EXPECT_EQ(0, query(FileForm{"second"}, "composeId=other").error)
        << "the limit counts per compose";
    const QueryOutcome third = query(FileForm{"third"});
    EXPECT_EQ(0, third.error) << "the first and this one are in the compose without id";
    const QueryOutcome fourth = query(FileForm{"fourth"});
    EXPECT_EQ(7, fourth.error) << "file_count_overflow, not overflow";
    EXPECT_EQ("FAIL file_count_overflow\n", fourth.errorText);

    ASSERT_TRUE(setLimit("requireCompose", "1"));
    store.addCompose("c1");
    EXPECT_EQ(6, query(FileForm{"x"}).error);
    EXPECT_EQ(6, query(FileForm{"x"}, "composeId=c2").error);
    EXPECT_EQ(0, query(FileForm{"x"}, "composeId=c1").error);
    EXPECT_EQ(9, query(FileForm{"x"}, "composeId=c1&composeId=c1").error);
}

TEST_F(UploadServiceTest, RefusalNeverEchoesClientTextThatCouldReadAsSuccess) {
    ASSERT_TRUE(setLimit("maxFileSize", "1"));
    FileForm file{"too large"};
    file.fileName = "S_OK offset=0 attid=evil";
    const std::string text = queryText(file);
    EXPECT_EQ(std::string::npos, text.find("S_OK")) << text;
    EXPECT_EQ(8, readQueryAnswer(text, 9).error);
}

TEST_F(UploadServiceTest, PluginBlocksEndVerifiedWithTheExactBytesRawOrDeflated) {
    for (bool deflated : {false, true}) {
        // Different bytes each time, or the second upload would be an instant one.
        const std::string content =
            std::string(300000, 'a') + patterned(200000) + (deflated ? "d" : "r");
        EXPECT_EQ((std::vector<std::uint64_t>{0, 204800, 409600}),
                  uploadLikePlugin(content, 204800, deflated))
            << "deflated " << deflated;
        EXPECT_EQ(content, stored(lastId)) << "deflated " << deflated;
        EXPECT_TRUE(store.find(lastId)->snapshot().verified);
    }
}

TEST_F(UploadServiceTest, WithoutCrc2TheFileIsCheckedByCrc32) {
    const std::string content = "no net folder digest";
    for (const std::string& declared : {content, std::string("other bytes, 20 long")}) {
        FileForm file{declared};
        file.withCrc2 = false;
        const BlockOutcome outcome = sendBlock(query(file).attachId, content, 0, 1000);
        if (declared == content)
            EXPECT_TRUE(outcome.verified) << outcome.errorText;
        else
            EXPECT_EQ("upload respond crcOK return false", outcome.errorText);
    }
}

TEST_F(UploadServiceTest, QueryForAKnownIdResumesFromTheBytesHeld) {
    const std::string content = patterned(1000);
    const std::string id = startUpload(content);
    ASSERT_EQ(400u, sendBlock(id, content, 0, 400).next);

    FileForm again{content};
    again.attachId = id;
    const QueryOutcome resumed = query(again);
    EXPECT_EQ(0, resumed.error);
    EXPECT_EQ(id, resumed.attachId);
    EXPECT_EQ(400u, resumed.offset);
    EXPECT_TRUE(sendBlock(id, content, 400, 600).verified);
    EXPECT_EQ(1u, store.list().size()) << "a resumed query adds no attachment";
}

TEST_F(UploadServiceTest, QueryForAnUnknownOrChangedFileIsRefused) {
    const std::string id = startUpload("original");
    FileForm unknown{"original"};
    unknown.attachId = "nosuchid";
    EXPECT_EQ("FAIL attachment_not_found\n", queryText(unknown));
    FileForm changed{"changed!"};
    changed.attachId = id;
    EXPECT_EQ("FAIL attachment_mismatch\n", queryText(changed));
}

TEST_F(UploadServiceTest, VerifiedFileIsHeldByChecksumForANewQuery) {
    const std::string content = patterned(3000);
    const std::string first = startUpload(content);
    ASSERT_TRUE(sendBlock(first, content, 0, 3000).verified);

    const QueryOutcome instant = query(FileForm{content});
    EXPECT_TRUE(instant.verified);
    EXPECT_NE(first, instant.attachId) << "a new attachment of the same file";
    EXPECT_EQ(content, stored(instant.attachId));

    FileForm sameById{content};
    sameById.attachId = first;
    EXPECT_TRUE(query(sameById).verified);

    FileForm withoutCrc2{content};
    withoutCrc2.withCrc2 = false;
    const QueryOutcome bySize = query(withoutCrc2);
    EXPECT_FALSE(bySize.verified);
    EXPECT_EQ(0u, bySize.offset) << "without crc2 nothing is known to be the same file";

    EXPECT_FALSE(query(FileForm{patterned(2999) + "!"}).verified);
    EXPECT_TRUE(query(FileForm{""}).verified) << "an empty file is complete at once";
    FileForm emptyWithoutCrc2{""};
    emptyWithoutCrc2.withCrc2 = false;
    EXPECT_FALSE(query(emptyWithoutCrc2).verified);
}

TEST_F(UploadServiceTest, PartlyStoredBlockMakesThePluginResendTheRest) {
    const std::string content = patterned(10000);
    const std::string id = startUpload(content);
    const BlockOutcome half = sendBlock(id, content, 0, 6000, false, true);
    EXPECT_EQ(0, half.error);
    EXPECT_EQ(3000u, half.next);
    const BlockOutcome rest = sendBlock(id, content, 3000, 7000);
    EXPECT_TRUE(rest.verified) << rest.errorText;
    EXPECT_EQ(content, stored(id));
}

TEST_F(UploadServiceTest, ResentBlockNeverRewritesStoredBytes) {
    const std::string content = patterned(300);
    const std::string id = startUpload(content);
    sendBlock(id, content, 0, 100);
    const std::string resend = std::string(100, 'Z');
    const BlockOutcome outcome = readBlockAnswer(blockText(id, 50, resend), content.size(), 150);
    EXPECT_EQ(150u, outcome.next) << "only the bytes past those held count";
    EXPECT_EQ(content.substr(0, 100) + std::string(50, 'Z'), stored(id));

    const BlockOutcome inside = readBlockAnswer(blockText(id, 10, "xx"), content.size(), 12);
    EXPECT_EQ(150u, inside.next);
    EXPECT_EQ(content.substr(0, 100), stored(id).substr(0, 100));
}

TEST_F(UploadServiceTest, BadBlockParametersAreRefusedAndChangeNothing) {
    const std::string content = patterned(1000);
    const std::string id = startUpload(content);
    sendBlock(id, content, 0, 100);
    const struct {
        std::string url;
        const char* code;
    } cases[] = {
        {"attachId=" + id, "FA_INVALID_PARAMETER"},
        {"offset=-1&attachId=" + id, "FA_INVALID_PARAMETER"},
        {"offset=abc&attachId=" + id, "FA_INVALID_PARAMETER"},
        {"offset=99999999999999999999999&attachId=" + id, "FA_INVALID_PARAMETER"},
        {"offset=100&offset=100&attachId=" + id, "FA_INVALID_PARAMETER"},
        {"offset=100", "FA_INVALID_PARAMETER"},
        {"offset=100&attachId=" + id + "&contentEncoding=gzip", "FA_INVALID_PARAMETER"},
        {"offset=101&attachId=" + id, "FA_INVALID_OFFSET"},
        {"offset=18446744073709551615&attachId=" + id, "FA_INVALID_OFFSET"},
        {"offset=100&attachId=-1", "FA_ATTACHMENT_NOT_FOUND"},
    };
    for (const auto& c : cases) {
        const auto start = service.beginBlock(QueryParams::parse(c.url));
        ASSERT_FALSE(start.ticket) << c.url;
        const BlockOutcome outcome = readBlockAnswer(start.refusal, 1000, 0);
        EXPECT_EQ(9, outcome.error) << c.url;
        EXPECT_NE(std::string::npos, outcome.errorText.find(c.code)) << start.refusal;
    }
    EXPECT_EQ(content.substr(0, 100), stored(id));
}

TEST_F(UploadServiceTest, BlocksPastTheSizeAreRefusedAsSizeExceeded) {
    const std::string content = patterned(1000);
    const std::string id = startUpload(content);
    const BlockOutcome tooLong = readBlockAnswer(blockText(id, 0, content + "x"), 1000, 1001);
    EXPECT_EQ(8, tooLong.error);
    EXPECT_EQ(0u, held(id));
    const BlockOutcome tooLongDeflated =
        readBlockAnswer(blockText(id, 0, deflate(content + "x"), true), 1000, 1001);
    EXPECT_EQ(8, tooLongDeflated.error);

    ASSERT_TRUE(setLimit("maxFileSize", "500"));
    const BlockOutcome overLimit = sendBlock(id, content, 0, 600);
    EXPECT_EQ(8, overLimit.error) << "a limit lowered after the query";
    EXPECT_EQ(0u, held(id));
    EXPECT_EQ(0, sendBlock(id, content, 0, 500).error);
}

TEST_F(UploadServiceTest, BodiesOverTheBlockLimitAreRefusedRawOrInflated) {
    ASSERT_TRUE(setLimit("maxBlockSize", "1000"));
    const std::string content(5000, 'q');
    const std::string id = startUpload(content);
    const std::string raw = blockText(id, 0, content.substr(0, 1001));
    EXPECT_NE(std::string::npos, raw.find("FA_REQUEST_TOO_LARGE")) << raw;
    const std::string bomb = blockText(id, 0, deflate(content), true);
    EXPECT_NE(std::string::npos, bomb.find("FA_REQUEST_TOO_LARGE")) << bomb;
    EXPECT_EQ(0u, held(id));
    EXPECT_EQ(1000u, sendBlock(id, content, 0, 1000, true).next);
}

TEST_F(UploadServiceTest, BodyThatDoesNotInflateIsRefusedAndWritesNothing) {
    const std::string content = patterned(2000);
    const std::string id = startUpload(content);
    const std::string good = deflate(content.substr(0, 1000));
    std::string badCheck = good;
    badCheck.back() ^= 0x01;
    const struct {
        std::string body;
        const char* what;
    } cases[] = {{content.substr(0, 1000), "not deflated"},
                 {good.substr(0, good.size() / 2), "truncated"},
                 {good + "trailing", "bytes after the stream"},
                 {badCheck, "Adler-32 check fails"},
                 {"", "empty"}};
    for (const auto& c : cases) {
        const BlockOutcome outcome = readBlockAnswer(blockText(id, 0, c.body, true), 2000, 1000);
        EXPECT_EQ(9, outcome.error) << c.what;
        EXPECT_NE(std::string::npos, outcome.errorText.find("FA_INVALID_CONTENT")) << c.what;
    }
    EXPECT_EQ(0u, held(id));
}

TEST_F(UploadServiceTest, DeflateIsNeitherAnnouncedNorTakenWhenSwitchedOff) {
    ASSERT_TRUE(setLimit("acceptDeflate", "0"));
    const std::string content = patterned(100);
    const QueryOutcome answer = query(FileForm{content});
    EXPECT_FALSE(answer.deflate);
    EXPECT_EQ(9, sendBlock(answer.attachId, content, 0, 100, true).error);
    EXPECT_TRUE(sendBlock(answer.attachId, content, 0, 100).verified);
}

TEST_F(UploadServiceTest, FileFailingItsChecksumIsEmptiedSoARestartSendsItAgain) {
    const std::string content = patterned(1000);
    // Declares the checksums of other bytes, as a file changed under the plug-in would.
    const std::string id = startUpload(content.substr(0, 999) + "#");
    const BlockOutcome outcome = sendBlock(id, content, 0, 1000);
    EXPECT_EQ(5, outcome.error);
    EXPECT_EQ("upload respond crcOK return false", outcome.errorText);
    EXPECT_EQ(0u, held(id));
    EXPECT_FALSE(store.find(id)->snapshot().verified);

    FileForm again{content.substr(0, 999) + "#"};
    again.attachId = id;
    EXPECT_EQ(0u, query(again).offset);
    EXPECT_FALSE(query(FileForm{content}).verified) << "a failed file is no copy to share";
}

TEST_F(UploadServiceTest, ComposeRemovedDuringAnUploadRefusesItsBlocks) {
    ASSERT_TRUE(setLimit("requireCompose", "1"));
    store.addCompose("draft7");
    const std::string content = patterned(1000);
    const QueryOutcome answer = query(FileForm{content}, "composeId=draft7");
    ASSERT_EQ(0, answer.error);
    EXPECT_EQ(500u, sendBlock(answer.attachId, content, 0, 500).next);
    store.removeCompose("draft7");
    const BlockOutcome outcome = sendBlock(answer.attachId, content, 500, 500);
    EXPECT_EQ(6, outcome.error);
    EXPECT_EQ(0u, outcome.errorText.find("<result><code>FA_COMPOSE_NOT_FOUND</code>"))
        << "the text from the second line on";
}

TEST_F(UploadServiceTest, RacingUploadsOfOneAttachmentNeverCorruptIt) {
    const std::string content = patterned(200000);
    const std::string id = startUpload(content);
    std::atomic<int> verified{0};
    std::vector<std::thread> uploaders;
    for (int t = 0; t < 4; ++t) {
        uploaders.emplace_back([&] {
            // Each uploader follows the server's counts, as a restarted plug-in would.
            std::uint64_t offset = 0;
            for (int step = 0; step < 2000 && offset < content.size(); ++step) {
                const BlockOutcome outcome = sendBlock(id, content, offset, 7000);
                if (outcome.verified) {
                    ++verified;
                    return;
                }
                if (outcome.error == 0)
                    offset = outcome.next;
                else
                    offset = held(id);
            }
        });
    }
    for (std::thread& uploader : uploaders)
        uploader.join();
    EXPECT_GE(verified.load(), 1);
    EXPECT_EQ(content, stored(id));
    EXPECT_TRUE(store.find(id)->snapshot().verified);
}

TEST_F(UploadServiceTest, ResetRefusesBlocksInFlightAndForgetsIds) {
    const std::string content = patterned(1000);
    const std::string id = startUpload(content);
    const std::string dataPath = store.find(id)->dataPath();
    auto start = service.beginBlock(QueryParams::parse("offset=0&attachId=" + id));
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
