// The fake browser's safety nets: the bridge's tests pass silently if one of them lets misuse,
// leaks or stray async calls through, so each is checked here on its own.
#include "tests/support/npapi/FakeBrowser.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace nvtest::npapi {
namespace {

int g_deallocations = 0;

void deallocateCounted(NPObject* object) {
    ++g_deallocations;
    delete object;
}

class FakeBrowserTest : public ::testing::Test {
protected:
    FakeBrowserTest() { g_deallocations = 0; }

    FakeBrowser browser;
    NPNetscapeFuncs& npn = browser.funcs();
    NPP npp = browser.addInstance();
};

TEST_F(FakeBrowserTest, AnObjectIsDeallocatedOnceAtItsLastReleaseAndOverReleaseIsMisuse) {
    NPClass counted{};
    counted.structVersion = NP_CLASS_STRUCT_VERSION;
    counted.allocate = [](NPP, NPClass*) { return new NPObject(); };
    counted.deallocate = &deallocateCounted;
    NPObject* object = npn.createobject(npp, &counted);
    EXPECT_EQ(npn.retainobject(object), object);
    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 0);
    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 1);

    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 1);
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_ReleaseObject on an object that is not alive"});
}

TEST_F(FakeBrowserTest, HandedOverStringsCountUntilFreedAndForeignFreesAreMisuse) {
    browser.window().set("title", std::string("Inbox"));
    NPObject* window = nullptr;
    ASSERT_EQ(npn.getvalue(npp, NPNVWindowNPObject, &window), NPERR_NO_ERROR);
    NPVariant title;
    ASSERT_TRUE(npn.getproperty(npp, window, npn.getstringidentifier("title"), &title));
    NPUTF8* name = npn.utf8fromidentifier(npn.getstringidentifier("title"));
    EXPECT_EQ(browser.outstandingAllocations(), 2u);
    npn.releasevariantvalue(&title);
    npn.memfree(name);
    npn.releaseobject(window);
    EXPECT_EQ(browser.outstandingAllocations(), 0u);
    EXPECT_TRUE(browser.misuses().empty());

    NPVariant foreign;
    STRINGZ_TO_NPVARIANT("mine", foreign);
    npn.releasevariantvalue(&foreign);
    int notAnIdentifier = 0;
    EXPECT_FALSE(npn.identifierisstring(&notAnIdentifier));
    EXPECT_EQ(browser.misuses(),
              (std::vector<std::string>{"NPN_MemFree of memory the browser did not allocate",
                                        "NPN_IdentifierIsString with an unknown identifier"}));
}

void appendTag(void* data) {
    static_cast<std::vector<int>*>(data)->push_back(1);
}

TEST_F(FakeBrowserTest, WorkersMayOnlyQueueAsyncCallsWhichDieWithTheirInstance) {
    std::vector<int> tags;
    NPIdentifier fromWorker = &tags;
    std::thread worker([&] {
        npn.pluginthreadasynccall(npp, &appendTag, &tags);
        npn.pluginthreadasynccall(
            npp, [](void* data) { static_cast<std::vector<int>*>(data)->push_back(2); }, &tags);
        fromWorker = npn.getstringidentifier("upload");
    });
    worker.join();

    EXPECT_EQ(fromWorker, nullptr);
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_GetStringIdentifier called off the main thread"});
    EXPECT_TRUE(tags.empty()) << "async calls wait for the test's pump";
    EXPECT_EQ(browser.runAsyncCalls(), 2u);
    EXPECT_EQ(tags, (std::vector<int>{1, 2}));

    npn.pluginthreadasynccall(npp, &appendTag, &tags);
    browser.forgetInstance(npp);
    EXPECT_EQ(browser.runAsyncCalls(), 0u);
}

} // namespace
} // namespace nvtest::npapi
