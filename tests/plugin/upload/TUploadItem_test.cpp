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
                                        unsigned long compress = 0, bool netfolder = true) {
        auto made =
            boost::make_shared<TUploadItem>(boost::weak_ptr<FB::PluginCore>(), host, 3, path);
        TUploadItem::Settings settings;
        settings.queryUrl = "http://mail/query";
        settings.uploadUrl = "http://mail/upload?sid=1";
        settings.blockSize = blockSize;
        settings.compress = compress;
        settings.netfolder = netfolder;
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

    // The notifications with repeats of the same one dropped.
    std::vector<Note> distinctNotes() const {
        std::vector<Note> distinct = notes;
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        return distinct;
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

TEST_F(TUploadItemTest, ASmallFileGoesThroughEveryStateInOrder) {
    std::string content(300, 'x');
    auto upload = item(file("small.txt", content));
    serveLikeAMailServer("S_OK\nattid=A1\noffset=0\nacceptEncoding=deflate\n");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    EXPECT_EQ(distinctNotes(), (std::vector<Note>{{1, 1, 3}, {1, 100, 3}, {3, 0, 3}, {5, 100, 3}}));
    EXPECT_EQ(upload->GetProperty("attachmentId").cast<std::string>(), "A1");
    EXPECT_EQ(stored, content);

    const RecordedRequest& query = host->server().requests()[0];
    EXPECT_EQ(query.url, "http://mail/query");
    EXPECT_EQ(query.postHeaders, "");
    EXPECT_EQ(query.postData.rfind("fileName=small.txt&size=300&crc=", 0), 0u) << query.postData;
    EXPECT_NE(query.postData.find("&attachId=-1&crc2="), std::string::npos);
    EXPECT_EQ(query.postData.substr(query.postData.size() - 9), "&display=");

    auto blocks = blockRequests();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].url, "http://mail/upload?sid=1&offset=0&attachId=A1");
    EXPECT_EQ(blocks[0].postHeaders, "Content-Type: application/octet-stream\nContent-Length: 300");
}

TEST_F(TUploadItemTest, BlocksFollowTheServersCountAndReportProgressPerBlock) {
    std::string content(500000, '\0');
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(rand());
    }
    auto upload = item(file("big.bin", content), 204800);
    serveLikeAMailServer("S_OK attid=B2 offset=0");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    std::vector<Note> uploading(notes.end() - 4, notes.end());
    EXPECT_EQ(uploading, (std::vector<Note>{{3, 0, 3}, {3, 40, 3}, {3, 81, 3}, {5, 100, 3}}));
    auto blocks = blockRequests();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(queryValue(blocks[2].url, "offset"), "409600");
    EXPECT_EQ(blocks[2].postData.size(), 90400u);
    EXPECT_TRUE(stored == content);
}

TEST_F(TUploadItemTest, APartlyStoredBlockIsSentAgainFromWhereTheServerStopped) {
    std::string content(1000, 'y');
    auto upload = item(file("f.bin", content), 400);
    int block = 0;
    host->server().setHandler([&](const RecordedRequest& req) {
        if (req.url.find("/query") != std::string::npos) {
            return answer("S_OK attid=C3 offset=0");
        }
        unsigned long long offset = std::stoull(queryValue(req.url, "offset"));
        // The first block is kept only in part.
        unsigned long long holds = ++block == 1 ? 150 : offset + req.postData.size();
        return answer(actualSize(holds));
    });
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    auto blocks = blockRequests();
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(queryValue(blocks[1].url, "offset"), "150");
}

TEST_F(TUploadItemTest, QueryAnswersDecideTheNextStep) {
    struct Case {
        std::string answer;
        int state;
        int error;
        size_t blocks;
    };
    std::vector<Case> cases = {
        {"S_OK\nattid=A1\ncrcOK=1\n", TUploadItem::STATE_VERIFIED, 0, 0},
        {"S_OK offset=3000", TUploadItem::STATE_FINISHED, 0, 0},
        {"file_count_overflow", TUploadItem::STATE_ERROR, 7, 0},
    };
    for (const Case& c : cases) {
        host->server().clear();
        stored.clear();
        auto upload = item(file("q.bin", std::string(3000, 'q')));
        serveLikeAMailServer(c.answer);
        upload->start();
        runUntilDone(upload);
        EXPECT_EQ(upload->getState(), c.state) << c.answer;
        EXPECT_EQ(upload->getLastErrorNum(), c.error) << c.answer;
        ASSERT_EQ(blockRequests().size(), c.blocks) << c.answer;
        if (c.error) {
            EXPECT_EQ(upload->getLastErrorStr(), c.answer);
            EXPECT_EQ(upload->getPercent(), 4) << "the stage of a query answer";
        }
    }
}

TEST_F(TUploadItemTest, CompressionOnlyWhileTheServerAcceptsDeflate) {
    const std::string content(100000, 'z');
    for (bool accepted : {true, false}) {
        host->server().clear();
        stored.clear();
        auto upload = item(file("c.txt", content), 0, 6);
        serveLikeAMailServer(accepted ? "S_OK attid=D acceptEncoding=deflate" : "S_OK attid=D");
        upload->start();
        runUntilDone(upload);
        ASSERT_EQ(blockRequests().size(), 1u);
        const RecordedRequest block = blockRequests()[0];
        EXPECT_EQ(queryValue(block.url, "contentEncoding"), accepted ? "deflate" : "<absent>");
        EXPECT_EQ(block.postData.size() < content.size(), accepted);
        EXPECT_EQ(block.postHeaders, "Content-Type: application/octet-stream\nContent-Length: " +
                                         std::to_string(block.postData.size()));
        EXPECT_TRUE(stored == content);
    }
}

TEST_F(TUploadItemTest, BlockAnswersAndTheirErrors) {
    struct Case {
        std::string answer;
        int state;
        int error;
        std::string text;
    };
    std::vector<Case> cases = {
        {"S_OK <boolean name=\"crcOK\">true</boolean>", TUploadItem::STATE_VERIFIED, 0, ""},
        {"<?xml version=\"1.0\"?>\n<code>FA_UPLOAD_SIZE_EXCEEDED</code>", TUploadItem::STATE_ERROR,
         8, "<code>FA_UPLOAD_SIZE_EXCEEDED</code>"},
    };
    for (const Case& c : cases) {
        auto upload = item(file("b.bin", std::string(10, 'b')));
        host->server().answerNext(answer("S_OK attid=E"));
        host->server().answerNext(answer(c.answer));
        upload->start();
        runUntilDone(upload);
        EXPECT_EQ(upload->getState(), c.state) << c.answer;
        EXPECT_EQ(upload->getLastErrorNum(), c.error) << c.answer;
        EXPECT_EQ(upload->getLastErrorStr(), c.text) << c.answer;
    }
}

TEST_F(TUploadItemTest, ChecksumsOfTheFileAndOfTheCrcMethodDiffer) {
    auto upload = item(file("n.txt", "123456789"));
    serveLikeAMailServer("S_OK attid=F crcOK=1");
    EXPECT_EQ(upload->Invoke("crc", {0}).cast<std::string>(), "") << "no block size yet";
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(queryValue("http://q/?" + host->server().requests()[0].postData, "crc"),
              "-873187034");
    EXPECT_EQ(upload->Invoke("crc", {0}).cast<std::string>(), "873187033");
    EXPECT_EQ(upload->Invoke("crc", {1}).cast<std::string>(), "25f9e794323b453885f5181f1b624d0b");
    EXPECT_EQ(upload->Invoke("read", {2, 3}).cast<std::string>(), "345");
    EXPECT_EQ(upload->Invoke("read", {100, 3}).cast<std::string>(), "");
    EXPECT_EQ(upload->GetProperty("size").cast<unsigned long long>(), 9u);
    EXPECT_EQ(upload->GetProperty("size_str").cast<std::string>(), "9");
}

TEST_F(TUploadItemTest, AnEmptyFileHasTheKnownDigests) {
    auto upload = item(file("empty", ""));
    serveLikeAMailServer("S_OK attid=G offset=0");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    EXPECT_EQ(notes, (std::vector<Note>{{1, 1, 3}, {1, 100, 3}, {5, 100, 3}}));
    const std::string& body = host->server().requests()[0].postData;
    EXPECT_EQ(queryValue("http://q/?" + body, "crc"), "0");
    EXPECT_EQ(queryValue("http://q/?" + body, "crc2"),
              "1B2M2Y8AsgTpgAmY7PhCfto5o+5ea0sNMlW/75VgGJCv2AcJ");
}

// The page named a resumed item's file; only the file's digest proves it had the file before.
TEST_F(TUploadItemTest, AResumedItemGivesNothingOfItsFileUntilTheDigestMatched) {
    const std::string passed = "kAFQmDzST7DWlj99KOF/cqmZPjZHBoFquj4lcXhQwmyc0Nid";
    const std::string right = "iXffrC+OBMuW5miCI19aujfGxXvt9DBe9BJJwXlHYLXLj60X";
    auto upload = item(file("r.txt", "changed"));
    upload->setResume(passed, "H1");
    auto readable = [&] {
        return upload->Invoke("read", {0, 7}).cast<std::string>() +
               upload->Invoke("crc", {3}).cast<std::string>();
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(readable(), "") << attempt;
        upload->start();
        runUntilDone(upload);
        EXPECT_EQ(upload->getLastErrorNum(), TUploadItem::ERR_CRC_MISMATCH) << attempt;
        EXPECT_EQ(upload->getLastErrorStr(), "crc not the same as the passed " + passed);
        EXPECT_EQ(upload->getPercent(), 2);
    }
    EXPECT_EQ(readable(), "");
    EXPECT_TRUE(host->server().requests().empty());

    auto proven = item(file("p.txt", "changed"));
    proven->setResume(right, "H2");
    serveLikeAMailServer("S_OK attid=H2 crcOK=1");
    proven->start();
    runUntilDone(proven);
    EXPECT_EQ(proven->getState(), TUploadItem::STATE_VERIFIED);
    EXPECT_EQ(proven->Invoke("read", {0, 7}).cast<std::string>() +
                  proven->Invoke("crc", {3}).cast<std::string>(),
              "changed" + right);
}

TEST_F(TUploadItemTest, ARestartAfterANetworkErrorQueriesAgainAndContinues) {
    std::string content(900, 'r');
    auto upload = item(file("restart.bin", content), 300);
    int blocks = 0;
    host->server().setHandler([&](const RecordedRequest& req) {
        if (req.url.find("/query") != std::string::npos) {
            return answer("S_OK attid=J offset=" + std::to_string(stored.size()));
        }
        if (++blocks == 2) {
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
    runUntilDone(upload);
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_FINISHED);
    EXPECT_EQ(notes.front(), Note(3, 33, 3)) << "no checksum phase, state 2 is silent";
    EXPECT_TRUE(stored == content);
}

TEST_F(TUploadItemTest, ResetRunsTheChecksumPhaseAgain) {
    auto upload = item(file("again.txt", "again"));
    host->server().answerNext(answer("FAIL"));
    upload->start();
    runUntilDone(upload);
    upload->Invoke("reset", {});
    notes.clear();
    serveLikeAMailServer("S_OK attid=K crcOK=1");
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(notes.front(), Note(1, 1, 3));
    EXPECT_EQ(upload->getState(), TUploadItem::STATE_VERIFIED);
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

TEST_F(TUploadItemTest, ARefusedQueryIsANetworkError) {
    auto upload = item(file("x", "x"));
    ScriptedResponse refused;
    refused.refuse = true;
    host->server().answerNext(refused);
    upload->start();
    runUntilDone(upload);
    EXPECT_EQ(upload->getLastErrorStr(), "query net error");
    EXPECT_EQ(upload->getPercent(), 4);
}

TEST_F(TUploadItemTest, TheFullPathAndDisplayNameSetByThePageReachTheQuery) {
    std::wstring path = file("\xe4\xb8\xad.txt", "n");
    auto upload = item(path);
    upload->SetProperty("keepfullpath", true);
    upload->Invoke("setDisplay", {L"Shown Name"});
    serveLikeAMailServer("S_OK attid=N crcOK=1");
    upload->start();
    runUntilDone(upload);
    std::string body = "http://q/?" + host->server().requests()[0].postData;
    EXPECT_EQ(queryValue(body, "fileName"), FB::wstring_to_utf8(path));
    EXPECT_EQ(queryValue(body, "display"), "Shown Name");
}
