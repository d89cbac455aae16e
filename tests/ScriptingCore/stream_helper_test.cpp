#include "src/ScriptingCore/SimpleStreamHelper.h"

#include <thread>

#include <gtest/gtest.h>

#include "src/ScriptingCore/BrowserHost.h"
#include "tests/support/TestBrowserHost.h"

namespace {

struct Completion {
    int calls = 0;
    bool success = false;
    std::string data;
    bool dataNull = true;
    size_t size = 0;
};

class StreamHelperTest : public ::testing::Test {
protected:
    void TearDown() override { host->shutdown(); }

    FB::BrowserStreamRequest request(const std::string& url, Completion& done) {
        FB::BrowserStreamRequest req(url, "GET");
        req.setCallback([&done](bool success, const FB::HeaderMap&,
                                const boost::shared_array<uint8_t>& data, size_t size) {
            ++done.calls;
            done.success = success;
            done.dataNull = !data;
            done.size = size;
            if (data) {
                done.data.assign(reinterpret_cast<const char*>(data.get()), size);
            }
        });
        return req;
    }

    static std::string pattern(size_t size) {
        std::string body(size, '\0');
        for (size_t i = 0; i < size; ++i) {
            body[i] = static_cast<char>(i * 7 + i / 251);
        }
        return body;
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
};

} // namespace

TEST_F(StreamHelperTest, BodiesAroundTheBlockSizeArriveContiguousAndLater) {
    for (size_t size : {size_t(0), size_t(131072), size_t(131073), size_t(3 * 131072 + 17)}) {
        nvtest::ScriptedResponse response;
        response.body = pattern(size);
        response.piece = 50000; // pieces straddle the 128 KiB blocks
        host->server().answerNext(response);
        Completion done;
        FB::SimpleStreamHelper::AsyncRequest(host, request("http://h/big", done));
        EXPECT_EQ(done.calls, 0);
        host->pump();
        ASSERT_EQ(done.calls, 1);
        EXPECT_TRUE(done.success);
        EXPECT_FALSE(done.dataNull) << "even an empty body comes with data";
        EXPECT_EQ(done.size, size);
        EXPECT_TRUE(done.data == response.body) << "body of " << size << " bytes differs";
    }
}

TEST_F(StreamHelperTest, ARefusedRequestCompletesOnceLaterAsAFailure) {
    nvtest::ScriptedResponse refused;
    refused.refuse = true;
    host->server().answerNext(refused);
    Completion done;
    auto helper = FB::SimpleStreamHelper::AsyncRequest(host, request("http://h/x", done));
    ASSERT_TRUE(helper);
    EXPECT_EQ(done.calls, 0) << "never inside the call that made the request";
    EXPECT_FALSE(helper->cancel());
    host->pump();
    EXPECT_EQ(done.calls, 1);
    EXPECT_FALSE(done.success);
}

TEST_F(StreamHelperTest, RequestsFromWorkersCompleteOnTheMainThread) {
    host->server().setHandler([](const nvtest::RecordedRequest& req) {
        nvtest::ScriptedResponse response;
        response.body = req.method + " " + req.postData;
        return response;
    });
    Completion done;
    bool onMain = false;
    FB::BrowserStreamRequest req("http://h/post", "POST");
    req.setPostData("a=1");
    req.setCallback([&](bool success, const FB::HeaderMap&,
                        const boost::shared_array<uint8_t>& data, size_t size) {
        onMain = host->isMainThread();
        done.success = success;
        done.data.assign(reinterpret_cast<const char*>(data.get()), size);
        ++done.calls;
    });
    FB::SimpleStreamHelperPtr helper;
    std::thread worker([&] { helper = FB::SimpleStreamHelper::AsyncRequest(host, req); });
    ASSERT_TRUE(host->pumpUntil([&] { return done.calls == 1; }));
    worker.join();
    EXPECT_TRUE(helper);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(done.data, "POST a=1");
}
