#include "src/ScriptingCore/JSAPIAuto.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/script_error.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

namespace {

class EventsTest : public ::testing::Test {
protected:
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<FB::JSAPIAuto> api = boost::make_shared<FB::JSAPIAuto>();
};

} // namespace

TEST_F(EventsTest, HandlersRunLaterFromThePageTimerOncePerFiring) {
    using Setup = std::function<void(FB::JSAPIAuto&, FB::JSObjectPtr&)>;
    const std::tuple<const char*, Setup, size_t> cases[] = {
        {"registered", [](auto& api, auto& fn) { api.registerEventMethod("onx", fn); }, 1},
        {"registered twice",
         [](auto& api, auto& fn) {
             api.registerEventMethod("onx", fn);
             api.registerEventMethod("onx", fn);
         },
         1},
        {"registered and removed",
         [](auto& api, auto& fn) {
             api.registerEventMethod("onx", fn);
             api.unregisterEventMethod("onx", fn);
         },
         0},
        {"an attribute holding it", [](auto& api, auto& fn) { api.SetProperty("onx", fn); }, 1},
        {"on an invalidated object",
         [](auto& api, auto& fn) {
             api.registerEventMethod("onx", fn);
             api.invalidate();
         },
         0},
    };
    for (const auto& [name, setup, calls] : cases) {
        auto target = boost::make_shared<FB::JSAPIAuto>();
        auto fn = FakeJSObject::function(host);
        FB::JSObjectPtr handler = fn;
        setup(*target, handler);
        target->FireEvent("onx", FB::VariantList{FB::variant(FB::VariantList{0u, 1u})});
        EXPECT_TRUE(fn->calls().empty()) << name << ": never inside the firing call";
        host->pump();
        ASSERT_EQ(fn->selfCalls().size(), calls) << name;
        if (calls) {
            EXPECT_EQ(fn->selfCalls()[0][0].cast<FB::VariantList>().size(), 2u) << name;
        }
    }
    ASSERT_FALSE(host->timers().empty());
    EXPECT_EQ(host->timers()[0].delay, 0);
    FB::JSObjectPtr none;
    EXPECT_THROW(api->registerEventMethod("onx", none), FB::invalid_arguments);
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
    auto calls = [&] { return boost::static_pointer_cast<FakeJSObject>(fn)->selfCalls().size(); };
    EXPECT_EQ(calls(), 2u) << "both firings were scheduled before the first call ran";
    api->FireEvent("onw", {});
    host->pump();
    EXPECT_EQ(calls(), 2u);
}
