#include "plugin/upload/TUploadItem.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TempFolder.h"
#include "tests/plugin/upload/Inflated.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;
using nvtest::RecordedRequest;
using nvtest::ScriptedResponse;

namespace {

using Note = std::tuple<int, int, unsigned long>;

std::string queryValue(const std::string& url, const std::string& key) {
    for (const auto& [name, value] : FB::URI(url).query_data) {
        if (name == key) {
            return value;
        }
    }
    return "<absent>";
}

ScriptedResponse answer(const std::string& body) {
    ScriptedResponse response;
    response.body = body;
    return response;
}

std::string actualSize(unsigned long long count) {
    return "<result><code>S_OK</code><int name=\"actualSize\">" + std::to_string(count) +
           "</int></result>";
}

class TUploadItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        FB::PluginCore::Browser = "NPAPI";
        notify = FakeJSObject::function(host, [this](const FB::VariantList& args) {
            notes.emplace_back(args[0].convert_cast<int>(), args[1].convert_cast<int>(),
                               args[2].convert_cast<unsigned long>());
            return FB::variant();
        });
    }
    void TearDown() override { host->shutdown(); }

    std::wstring file(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        return FB::utf8_to_wstring(dir + "/" + name);
    }

    boost::shared_ptr<TUploadItem> item(const std::wstring& path, unsigned long blockSize = 0,
                                        unsigned long compress = 0) {
        auto made =
            boost::make_shared<TUploadItem>(boost::weak_ptr<FB::PluginCore>(), host, 3, path);
        TUploadItem::Settings settings;
        settings.queryUrl = "http://mail/query";
        settings.uploadUrl = "http://mail/upload?sid=1";
        settings.blockSize = blockSize;
        settings.compress = compress;
        settings.netfolder = true;
        settings.notify = notify;
        made->applySettings(settings);
        return made;
    }

    // A server that stores every block it gets and answers how much it holds.
    void serveLikeAMailServer(const std::string& queryAnswer) {
        host->server().setHandler([this, queryAnswer](const RecordedRequest& req) {
            if (req.url.find("/query") != std::string::npos) {
                return answer(queryAnswer);
            }
            std::string body = queryValue(req.url, "contentEncoding") == "deflate"
                                   ? inflated(req.postData)
                                   : req.postData;
            unsigned long long offset = std::stoull(queryValue(req.url, "offset"));
            stored.resize(offset);
            stored += body;
            return answer(actualSize(stored.size()));
        });
    }

    // Until the item has ended and the page has had the notification of its last state: a worker
    // records the error state before the stage that goes with it.
    void runUntilDone(const boost::shared_ptr<TUploadItem>& upload) {
        ASSERT_TRUE(host->pumpUntil([&] {
            int state = upload->getState();
            return state >= TUploadItem::STATE_VERIFIED && state <= TUploadItem::STATE_ERROR &&
                   !notes.empty() && std::get<0>(notes.back()) == state && host->queued() == 0;
        }));
        host->pump();
    }

    std::vector<RecordedRequest> blockRequests() const {
        std::vector<RecordedRequest> blocks;
        for (const auto& req : host->server().requests()) {
            if (req.url.find("/upload") != std::string::npos) {
                blocks.push_back(req);
            }
        }
        return blocks;
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    nvtest::FakeJSObjectPtr notify;
    std::vector<Note> notes;
    std::string stored;
    TempFolder folder{"uploaditem"};
    const std::string dir = folder.path;
};

} // namespace

TEST_F(TUploadItemTest, MissingUrlsFailAtStartWithOneNotification) {
    auto upload = boost::make_shared<TUploadItem>(boost::weak_ptr<FB::PluginCore>(), host, 7,
                                                  file("a.txt", "abc"));
    upload->Invoke("init", {FB::JSObjectPtr(FakeJSObject::object(
                               host, {{"notify", FB::JSObjectPtr(notify)}, {"upload", "u"}}))});
    upload->Invoke("start", {});
    host->pump();
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_ERROR);
    EXPECT_EQ(upload->getLastErrorNum(), TUploadItem::ERR_NO_URL);
    EXPECT_EQ(upload->getLastErrorStr(), "");
    EXPECT_EQ(notes, (std::vector<Note>{{6, 0, 7}}));
}

TEST_F(TUploadItemTest, AFileGoesThroughEveryStateInOrderWithProgressPerBlock) {
    std::string content(500000, '\0');
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(rand());
    }
    auto upload = item(file("big.bin", content), 204800);
    serveLikeAMailServer("S_OK\nattid=B2\noffset=0\nacceptEncoding=deflate\n");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    const std::vector<Note> expected = {{1, 1, 3}, {1, 40, 3}, {1, 81, 3}, {1, 100, 3},
                                        {3, 0, 3}, {3, 40, 3}, {3, 81, 3}, {5, 100, 3}};
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    EXPECT_EQ(notes, expected) << "repeats of the same notification left out";
    EXPECT_EQ(upload->GetProperty("attachmentId").cast<std::string>(), "B2");
    EXPECT_TRUE(stored == content);
    EXPECT_EQ(host->server().requests()[0].url, "http://mail/query");
    EXPECT_EQ(host->server().requests()[0].postData.rfind("fileName=big.bin&size=500000&crc=", 0),
              0u);
    auto blocks = blockRequests();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].url, "http://mail/upload?sid=1&offset=409600&attachId=B2");
    EXPECT_EQ(blocks[2].postData.size(), 90400u);
}

// Deflated blocks (the query accepted them) send fewer bytes than they read: a block the server
// kept in part is sent again from its count, and a count past the end is not believed but
// continues after the bytes read.
TEST_F(TUploadItemTest, TheNextBlockStartsAtTheServersCountUnlessItIsPastTheEnd) {
    auto upload = item(file("f.bin", std::string(1000, 'y')), 400, 6);
    for (const std::string& body :
         {std::string("S_OK attid=C3 acceptEncoding=deflate"), actualSize(150), actualSize(5000),
          std::string("S_OK <boolean name=\"crcOK\">true</boolean>")}) {
        host->server().answerNext(answer(body));
    }
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_VERIFIED);
    std::vector<std::string> offsets;
    for (const RecordedRequest& block : blockRequests()) {
        offsets.push_back(queryValue(block.url, "offset"));
    }
    EXPECT_EQ(offsets, (std::vector<std::string>{"0", "150", "550"}));
    EXPECT_EQ(inflated(blockRequests()[2].postData), std::string(400, 'y'));
}

// How each kind of answer ends the item (UploadProtocol_test has every answer); an error keeps the
// stage it happened in as its percent.
TEST_F(TUploadItemTest, AnswersEndTheItemWithTheirStateErrorAndStage) {
    ScriptedResponse refused;
    refused.refuse = true;
    struct Case {
        ScriptedResponse query;
        std::string block; // empty: no block is sent
        int state;
        int error;
        std::string text;
        int percent;
    };
    const Case cases[] = {
        {answer("S_OK\nattid=A1\ncrcOK=1\n"), "", TUploadItem::STATE_VERIFIED, 0, "", 100},
        {answer("S_OK offset=3000"), "", TUploadItem::STATE_FINISHED, 0, "", 100},
        {refused, "", TUploadItem::STATE_ERROR, 5, "query net error", 4},
        {answer("S_OK attid=E"), "S_OK <boolean name=\"crcOK\">true</boolean>",
         TUploadItem::STATE_VERIFIED, 0, "", 100},
        {answer("S_OK attid=E"), "<?xml version=\"1.0\"?>\n<code>FA_UPLOAD_SIZE_EXCEEDED</code>",
         TUploadItem::STATE_ERROR, 8, "<code>FA_UPLOAD_SIZE_EXCEEDED</code>", 6},
    };
    for (const Case& c : cases) {
        host->server().clear();
        auto upload = item(file("q.bin", std::string(3000, 'q')), 0, 6);
        host->server().answerNext(c.query);
        if (!c.block.empty()) {
            host->server().answerNext(answer(c.block));
        }
        upload->start();
        runUntilDone(upload);
        const std::string row = c.query.body + " / " + c.block;
        EXPECT_EQ(upload->getState(), c.state) << row;
        EXPECT_EQ(upload->getLastErrorNum(), c.error) << row;
        EXPECT_EQ(upload->getLastErrorStr(), c.text) << row;
        EXPECT_EQ(upload->getPercent(), c.percent) << row;
        ASSERT_EQ(blockRequests().size(), c.block.empty() ? 0u : 1u) << row;
        if (!c.block.empty()) {
            EXPECT_EQ(blockRequests()[0].postData, std::string(3000, 'q'))
                << "deflated although the query did not accept it";
        }
    }
}

// The query carries the CRC-32 as the complement of what the page reads from crc(0).
TEST_F(TUploadItemTest, WhatThePageSetsAndReadsOnAnItem) {
    std::wstring path = file("\xe4\xb8\xad.txt", "123456789");
    auto upload = item(path);
    upload->SetProperty("keepfullpath", true);
    upload->Invoke("setDisplay", {L"Shown Name"});
    serveLikeAMailServer("S_OK attid=F crcOK=1");
    EXPECT_EQ(upload->Invoke("crc", {0}).cast<std::string>(), "") << "no block size yet";
    upload->start();
    runUntilDone(upload);
    std::string query = "http://q/?" + host->server().requests()[0].postData;
    EXPECT_EQ(queryValue(query, "fileName"), FB::wstring_to_utf8(path));
    EXPECT_EQ(queryValue(query, "display"), "Shown Name");
    EXPECT_EQ(queryValue(query, "crc"), "-873187034");
    EXPECT_EQ(upload->Invoke("crc", {0}).cast<std::string>(), "873187033");
    EXPECT_EQ(upload->Invoke("crc", {1}).cast<std::string>(), "25f9e794323b453885f5181f1b624d0b");
    EXPECT_EQ(upload->Invoke("read", {2, 3}).cast<std::string>(), "345");
    EXPECT_EQ(upload->GetProperty("size").cast<unsigned long long>(), 9u);
}

TEST_F(TUploadItemTest, AnEmptyFileHasTheKnownDigests) {
    auto upload = item(file("empty", ""));
    serveLikeAMailServer("S_OK attid=G offset=0");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    EXPECT_EQ(notes, (std::vector<Note>{{1, 1, 3}, {1, 100, 3}, {5, 100, 3}}));
    EXPECT_NE(host->server().requests()[0].postData.find(
                  "&crc=0&attachId=-1&crc2=1B2M2Y8AsgTpgAmY7PhCfto5o%2b5ea0sNMlW/75VgGJCv2AcJ&"),
              std::string::npos);
}

// The page named a resumed item's file; only the file's digest proves it had the file before.
// e2e/pages/hostile.html goes through a wrong digest and its retries in both browsers.
TEST_F(TUploadItemTest, AResumedItemGivesNothingOfItsFileUntilTheDigestMatched) {
    const std::string right = "iXffrC+OBMuW5miCI19aujfGxXvt9DBe9BJJwXlHYLXLj60X";
    auto upload = item(file("p.txt", "changed"));
    upload->setResume(right, "H2");
    auto readable = [&] {
        return upload->Invoke("read", {0, 7}).cast<std::string>() +
               upload->Invoke("crc", {3}).cast<std::string>();
    };
    EXPECT_EQ(readable(), "");
    serveLikeAMailServer("S_OK attid=H2 crcOK=1");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_VERIFIED);
    EXPECT_EQ(readable(), "changed" + right);
}

// A restart keeps the checksums and the server's count; only a reset runs the checksum phase again.
TEST_F(TUploadItemTest, ARestartAfterANetworkErrorQueriesAgainAndContinues) {
    std::string content(900, 'r');
    auto upload = item(file("restart.bin", content), 300);
    int blocks = 0;
    host->server().setHandler([&](const RecordedRequest& req) {
        if (req.url.find("/query") != std::string::npos) {
            return answer("S_OK attid=J offset=" + std::to_string(stored.size()));
        }
        if (++blocks % 2 == 0 && blocks < 5) {
            ScriptedResponse broken;
            broken.fail = true;
            return broken;
        }
        stored += req.postData;
        return answer(actualSize(stored.size()));
    });
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_ERROR);
    EXPECT_EQ(upload->getLastErrorNum(), TUploadItem::ERR_NETWORK);
    EXPECT_EQ(upload->getLastErrorStr(), "upload net error");
    EXPECT_EQ(upload->getPercent(), 6);

    notes.clear();
    upload->start();
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_QUERYING) << "no checksum phase to announce";
    runUntilDone(upload);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front(), Note(3, 33, 3)) << "no checksum phase, state 2 is silent";

    upload->Invoke("reset", {});
    notes.clear();
    upload->start();
    runUntilDone(upload);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front(), Note(1, 1, 3));
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    EXPECT_TRUE(stored == content);
}

TEST_F(TUploadItemTest, StopDuringTheChecksumPhaseEndsAsUserBreak) {
    std::string path = dir + "/large.bin";
    std::ofstream(path).close();
    ASSERT_EQ(truncate(path.c_str(), 64 << 20), 0);
    auto upload = item(FB::utf8_to_wstring(path), 64 * 1024);
    serveLikeAMailServer("S_OK attid=L");
    upload->start();
    upload->Invoke("start", {}); // ignored while running
    ASSERT_TRUE(host->pumpUntil([&] { return !notes.empty(); }));
    upload->stop();
    int state = upload->getState();
    EXPECT_TRUE(state == TUploadItem::STATE_STOPPED || state == TUploadItem::STATE_ERROR) << state;
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_ERROR);
    EXPECT_EQ(upload->getLastErrorNum(), TUploadItem::ERR_USER_BREAK);
    EXPECT_EQ(upload->getLastErrorStr(), "User beak");
}

TEST_F(TUploadItemTest, AnItemOutlivesItsCallersWhileItsWorkerRuns) {
    serveLikeAMailServer("S_OK attid=M");
    boost::weak_ptr<TUploadItem> watch;
    {
        auto upload = item(file("orphan.bin", std::string(100000, 'o')), 1000);
        watch = upload;
        upload->start();
    }
    ASSERT_TRUE(host->pumpUntil([&] { return watch.expired(); }));
    host->pump();
    EXPECT_EQ(notes.back(), Note(5, 100, 3));
}
