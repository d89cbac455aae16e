// The executable over real loopback connections: the listening line, keep-alive, the fault
// switches as a browser meets them, and a clean stop.
#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/tools/nvmaild/PluginProtocol.h"
#include "tests/tools/nvmaild/ServerProcess.h"
#include "tools/nvmaild/TemporaryFolder.h"

namespace nvmaild::test {
namespace {

class NvmaildProcessTest : public ::testing::Test {
protected:
    void start(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.end(), {"--files", files.path(), "--test-routes"});
        server = std::make_unique<ServerProcess>(arguments);
    }

    std::unique_ptr<LoopbackClient> connect() {
        return std::make_unique<LoopbackClient>(server->port());
    }

    static std::string form(const std::string& content) { return formFor(FileForm{content}); }

    std::string control(const std::string& target) { return connect()->send("GET", target).body; }

    TemporaryFolder files{"nvmaild-files-"};
    std::unique_ptr<ServerProcess> server;
};

TEST_F(NvmaildProcessTest, UploadOnOneKeepAliveConnectionThenCleanExit) {
    start();
    const std::string content(300000, 'k');
    auto client = connect();
    const HttpReply queried = client->send("POST", "/upload/query", form(content));
    const QueryOutcome answer = readQueryAnswer(queried.body, content.size());
    ASSERT_EQ(0, answer.error) << queried.body;
    BlockOutcome outcome;
    for (std::uint64_t offset = 0; offset < content.size(); offset = outcome.next) {
        const HttpReply reply = client->send(
            "POST",
            "/upload/block?offset=" + std::to_string(offset) + "&attachId=" + answer.attachId,
            content.substr(offset, 100000), {{"Content-Type", "application/octet-stream"}});
        ASSERT_TRUE(reply.answered);
        outcome = readBlockAnswer(reply.body, content.size(), offset + 100000);
        ASSERT_EQ(0, outcome.error) << reply.body;
        if (outcome.verified)
            break;
    }
    EXPECT_TRUE(outcome.verified);
    const std::string described =
        client->send("GET", "/admin/attachment?id=" + answer.attachId).body;
    EXPECT_NE(std::string::npos, described.find("&held=300000&verified=1&sha1="));
    EXPECT_EQ(0, server->terminate());
}

TEST_F(NvmaildProcessTest, DroppedBlockGetsNoAnswerAndTheSwitchClearsItself) {
    start();
    const std::string content(200000, 'd');
    const std::string id =
        readQueryAnswer(connect()->send("POST", "/upload/query", form(content)).body, 200000)
            .attachId;
    EXPECT_EQ("OK\n", control("/control/fault?target=block&kind=drop"));
    const std::string block = "/upload/block?offset=0&attachId=" + id;
    EXPECT_FALSE(connect()->send("POST", block, content).answered);
    EXPECT_NE(std::string::npos, control("/admin/attachment?id=" + id).find("&held=0&"))
        << "a dropped block stores nothing";
    const HttpReply retried = connect()->send("POST", block, content);
    EXPECT_TRUE(readBlockAnswer(retried.body, 200000, 200000).verified) << retried.body;
}

TEST_F(NvmaildProcessTest, SwitchesFromTheCommandLineApplyFromTheFirstRequest) {
    start({"--fault", "target=query&kind=garbage&count=1", "--no-deflate"});
    auto client = connect();
    const QueryOutcome garbage =
        readQueryAnswer(client->send("POST", "/upload/query", form("x")).body, 1);
    EXPECT_EQ(9, garbage.error);
    const QueryOutcome real =
        readQueryAnswer(client->send("POST", "/upload/query", form("x")).body, 1);
    EXPECT_EQ(0, real.error);
    EXPECT_FALSE(real.deflate);
}

TEST_F(NvmaildProcessTest, DownloadResumesByParameterAndDropShortensIt) {
    std::string content;
    for (int i = 0; i < 100000; ++i)
        content += static_cast<char>('a' + i % 26);
    std::ofstream(files.path() + "/data.bin", std::ios::binary) << content;
    start({"--resume-param", "from"});
    auto client = connect();
    const HttpReply resumed = client->send("GET", "/files/data.bin?id=3&from=99000");
    EXPECT_EQ(200u, resumed.status);
    EXPECT_EQ("1000", resumed.headers.at("Content-Length"));
    EXPECT_EQ(content.substr(99000), resumed.body);
    const HttpReply head = client->send("HEAD", "/files/data.bin");
    EXPECT_EQ("100000", head.headers.at("Content-Length"));
    EXPECT_EQ("", head.body);

    control("/control/fault?target=download&kind=drop&bytes=5000");
    EXPECT_FALSE(client->send("GET", "/files/data.bin").answered);
    EXPECT_EQ(content, connect()->send("GET", "/files/data.bin").body);
}

TEST_F(NvmaildProcessTest, OversizeBlockIsAnsweredUnreadAndTheConnectionClosed) {
    start({"--max-block-size", "1000"});
    auto client = connect();
    const HttpReply refused =
        client->send("POST", "/upload/block?offset=0&attachId=x", std::string(5000, 'o'));
    EXPECT_NE(std::string::npos, refused.body.find("FA_REQUEST_TOO_LARGE"));
    EXPECT_EQ("close", refused.headers.at("Connection"));
}

TEST_F(NvmaildProcessTest, ContinueIsSentBeforeTheBodyAndMalformedRequestsAreRefused) {
    start();
    auto client = connect();
    const std::string body = form("abc");
    client->sendRaw("POST /upload/query HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\n"
                    "Content-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n");
    EXPECT_EQ("HTTP/1.1 100 Continue\r\n\r\n", client->readUntil("\r\n\r\n"));
    client->sendRaw(body);
    EXPECT_NE(std::string::npos, client->readUntil("acceptEncoding=deflate\n").find("S_OK"));

    auto bad = connect();
    bad->sendRaw("NOT A REQUEST\r\n\r\n");
    EXPECT_EQ(0u, bad->readUntil("bad request\n").find("HTTP/1.1 400 Bad Request"));
}

TEST_F(NvmaildProcessTest, StopEndsARequestWaitingInADelay) {
    start();
    control("/control/fault?target=query&kind=delay&ms=600000");
    HttpReply delayed;
    std::thread waiting([&] { delayed = connect()->send("POST", "/upload/query", form("z")); });
    // The switch leaves the list when the request takes it, i.e. once the server is waiting.
    for (int i = 0; i < 1000 && !control("/control/faults").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(0, server->terminate());
    waiting.join();
    EXPECT_FALSE(delayed.answered);
}

} // namespace
} // namespace nvmaild::test
