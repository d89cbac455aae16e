#include "tests/support/npapi/FakeStream.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {
namespace {

// A plug-in's stream callbacks that take at most `takeLimit` bytes per write and log every call.
struct StreamPlugin {
    NPError newStreamAnswer = NPERR_NO_ERROR;
    int32_t ready = 5;
    int32_t takeLimit = 3;
    bool cancelInFirstWrite = false;
    std::string received;
    std::vector<std::string> events;
};

StreamPlugin* g_plugin = nullptr;

NPError newStream(NPP, NPMIMEType type, NPStream* stream, NPBool, uint16_t*) {
    g_plugin->events.push_back(std::string("new ") + type + " " + stream->url);
    return g_plugin->newStreamAnswer;
}
int32_t writeReady(NPP, NPStream*) {
    return g_plugin->ready;
}
int32_t write(NPP npp, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    g_plugin->events.push_back("write " + std::to_string(offset) + " " + std::to_string(len));
    const int32_t taken = std::min(len, g_plugin->takeLimit);
    g_plugin->received.append(static_cast<const char*>(buffer), taken);
    if (g_plugin->cancelInFirstWrite) {
        g_plugin->cancelInFirstWrite = false;
        FakeBrowser::current().funcs().destroystream(npp, stream, NPRES_USER_BREAK);
    }
    return taken;
}
NPError destroyStream(NPP, NPStream*, NPReason reason) {
    g_plugin->events.push_back("destroy " + std::to_string(reason));
    return NPERR_NO_ERROR;
}
void urlNotify(NPP, const char* url, NPReason reason, void* notifyData) {
    g_plugin->events.push_back("notify " + std::string(url) + " " + std::to_string(reason) +
                               (notifyData == g_plugin ? " with data" : " without data"));
}

class FakeStreamTest : public ::testing::Test {
protected:
    FakeStreamTest() {
        g_plugin = &plugin;
        funcs.size = sizeof(NPPluginFuncs);
        funcs.version = NP_VERSION_MINOR;
        funcs.newstream = &newStream;
        funcs.writeready = &writeReady;
        funcs.write = &write;
        funcs.destroystream = &destroyStream;
        funcs.urlnotify = &urlNotify;
    }
    ~FakeStreamTest() override { g_plugin = nullptr; }

    const UrlRequest& requestMail() {
        EXPECT_EQ(browser.funcs().geturlnotify(npp, "http://mail/a", nullptr, &plugin),
                  NPERR_NO_ERROR);
        return browser.requests().back();
    }

    FakeBrowser browser;
    NPP npp = browser.addInstance();
    StreamPlugin plugin;
    NPPluginFuncs funcs{};
};

TEST_F(FakeStreamTest, BytesAWriteDidNotTakeAreOfferedAgainBeforeTheStreamEnds) {
    EXPECT_EQ(respond(browser, funcs, requestMail(), StreamResponse(), "abcdefgh"), 8u);

    EXPECT_EQ(plugin.received, "abcdefgh");
    EXPECT_EQ(plugin.events, (std::vector<std::string>{"new text/plain http://mail/a", "write 0 5",
                                                       "write 3 5", "write 6 2", "destroy 0",
                                                       "notify http://mail/a 0 with data"}));
}

TEST_F(FakeStreamTest, PluginCancellingInsideWriteEndsDeliveryWithItsReason) {
    plugin.cancelInFirstWrite = true;
    FakeStream stream(browser, funcs, requestMail());
    ASSERT_EQ(stream.open(StreamResponse()), NPERR_NO_ERROR);

    EXPECT_EQ(stream.write("abcdefgh"), 3u);
    EXPECT_TRUE(stream.isFinished());
    EXPECT_EQ(stream.record(), nullptr);
    stream.finish(NPRES_DONE);
    EXPECT_EQ(plugin.events,
              (std::vector<std::string>{"new text/plain http://mail/a", "write 0 5", "destroy 2",
                                        "notify http://mail/a 2 with data"}));
    EXPECT_TRUE(browser.misuses().empty());
}

TEST_F(FakeStreamTest, RefusedStreamIsNotifiedAsANetworkErrorWithoutDestroy) {
    plugin.newStreamAnswer = NPERR_GENERIC_ERROR;
    EXPECT_EQ(respond(browser, funcs, requestMail(), StreamResponse(), "abc"), 0u);

    EXPECT_EQ(plugin.events, (std::vector<std::string>{"new text/plain http://mail/a",
                                                       "notify http://mail/a 1 with data"}));
}

TEST_F(FakeStreamTest, PluginThatStopsTakingDataSeesTheTransferFail) {
    plugin.takeLimit = 0;
    EXPECT_EQ(respond(browser, funcs, requestMail(), StreamResponse(), "abc"), 0u);

    EXPECT_EQ(plugin.events.back(), "notify http://mail/a 1 with data");
    EXPECT_EQ(plugin.events.end()[-2], "destroy 1");
}

} // namespace
} // namespace nvtest::npapi
