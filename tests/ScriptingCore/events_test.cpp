#include "src/ScriptingCore/JSAPIAuto.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/script_error.h"
#include "tests/support/ErrorText.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

namespace {

class EventsTest : public ::testing::Test {
protected:
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<FB::JSAPIAuto> api = boost::make_shared<FB::JSAPIAuto>();

    FB::JSObjectPtr listen(const std::string& event) {
        FB::JSObjectPtr fn = FakeJSObject::function(host);
        api->registerEventMethod(event, fn);
        return fn;
    }
    static size_t callsOf(const FB::JSObjectPtr& fn) {
        return boost::static_pointer_cast<FakeJSObject>(fn)->selfCalls().size();
    }
};

} // namespace

TEST_F(EventsTest, HandlersRunLaterFromThePageTimerNeverInsideTheFiringCall) {
    auto fn = listen("onDropFiles");
    api->FireEvent("onDropFiles", FB::VariantList{FB::variant(FB::VariantList{0u, 1u})});
    EXPECT_EQ(callsOf(fn), 0u);
    host->pump();
    auto calls = boost::static_pointer_cast<FakeJSObject>(fn)->selfCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0][0].cast<FB::VariantList>().size(), 2u);
    ASSERT_EQ(host->timers().size(), 1u);
    EXPECT_EQ(host->timers()[0].delay, 0);
}

TEST_F(EventsTest, RegisteringTheSamePageFunctionTwiceCallsItOnce) {
    FB::JSObjectPtr fn = FakeJSObject::function(host);
    api->registerEventMethod("onx", fn);
    api->registerEventMethod("onx", fn);
    api->FireEvent("onx", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 1u);

    api->unregisterEventMethod("onx", fn);
    api->FireEvent("onx", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 1u);

    FB::JSObjectPtr none;
    EXPECT_THROW(api->registerEventMethod("onx", none), FB::invalid_arguments);
}

TEST_F(EventsTest, AnAttributeHoldingAFunctionIsAHandlerToo) {
    FB::JSObjectPtr fn = FakeJSObject::function(host);
    api->SetProperty("onDropIn", fn);
    api->FireEvent("onDropIn", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 1u);
}

TEST_F(EventsTest, InvalidatedObjectsFireNothingButDirectAsyncFiringStillWorks) {
    auto fn = listen("ony");
    api->invalidate();
    api->FireEvent("ony", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 0u);
    api->fireAsyncEvent("ony", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 1u);
}

TEST_F(EventsTest, OptimisedPagesGetOneCallForAllTheirHandlers) {
    auto first = FakeJSObject::function(host);
    auto second = FakeJSObject::function(host);
    first->setOptimizedCalls(true);
    FB::JSObjectPtr a = first;
    FB::JSObjectPtr b = second;
    api->registerEventMethod("onz", a);
    api->registerEventMethod("onz", b);
    api->FireEvent("onz", {1});
    host->pump();
    EXPECT_EQ(first->optimizedCallCount(), 1);
    EXPECT_EQ(first->selfCalls().size(), 1u);
    EXPECT_EQ(second->selfCalls().size(), 1u);
}

TEST_F(EventsTest, HandlersMayUnregisterThemselvesWhileBeingCalled) {
    FB::JSObjectPtr fn;
    fn = FakeJSObject::function(host, [&](const FB::VariantList&) {
        api->unregisterEventMethod("onw", fn);
        return FB::variant();
    });
    api->registerEventMethod("onw", fn);
    api->FireEvent("onw", {});
    api->FireEvent("onw", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 2u) << "both firings were scheduled before the first call ran";
    api->FireEvent("onw", {});
    host->pump();
    EXPECT_EQ(callsOf(fn), 2u);
}

TEST_F(EventsTest, PageHandlesRefuseListeners) {
    FB::JSObjectPtr handle = FakeJSObject::function(host);
    FB::JSObjectPtr fn = FakeJSObject::function(host);
    EXPECT_EQ(nvtest::errorOf([&] { handle->registerEventMethod("onx", fn); }), "Not implemented");
}
