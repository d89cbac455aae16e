// The NPAPI layer driven by a fake browser, for what the browser pages cannot show: reference
// counts and browser memory (the fake checks them after every case), calls that must reach the
// browser on its main thread, and what a real browser cannot be made to do (null instances,
// missing table entries, a host used after shutdown).
#include <chrono>
#include <stdexcept>
#include <thread>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiInstanceData.h"
#include "src/PluginCore/FactoryBase.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/JSAPIAuto.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"
#include "tests/support/ErrorText.h"
#include "tests/support/npapi/FakeBrowser.h"

using namespace nvtest::npapi;

namespace {

using Args = FB::VariantList;

// The plug-in under test: its root object has members of the kinds the application uses, so that
// the NPAPI layer is tested apart from the application.
class TestRoot : public FB::JSAPIAuto {
public:
    TestRoot() {
        registerMethod("index", [](const Args&) { return FB::variant(3UL); });
        registerMethod("big", [](const Args&) { return FB::variant(4000000000U); });
        registerMethod("count", [](const Args&) { return FB::variant(7); });
        registerMethod("ratio", [](const Args&) { return FB::variant(0.5); });
        registerMethod("echo", [](const Args& args) { return args.at(0); });
        registerMethod("wide", [](const Args&) { return FB::variant(std::wstring(L"\u4e2d")); });
        registerMethod("list", [](const Args&) { return FB::variant(Args{1, "two", Args{3}}); });
        registerMethod("child", [this](const Args&) {
            if (!m_child) {
                m_child = boost::make_shared<FB::JSAPIAuto>();
            }
            return FB::variant(m_child);
        });
        registerMethod("fresh", [](const Args&) {
            return FB::variant(FB::JSAPIPtr(boost::make_shared<FB::JSAPIAuto>()));
        });
        registerMethod("fail", [](const Args&) -> FB::variant {
            throw FB::script_error("The plugin is invalid");
        });
        registerMethod("failOther", [](const Args&) -> FB::variant {
            throw std::runtime_error("disk on fire");
        });
        // A worker calls the page function synchronously: it must wait for the main thread.
        registerMethod("fromWorker", [this](const Args& args) {
            FB::JSObjectPtr callback = args.at(0).convert_cast<FB::JSObjectPtr>();
            m_worker = std::thread([this, callback] {
                m_answer = callback->Invoke("", Args{"asked"}).convert_cast<std::string>();
            });
            return FB::variant();
        });
        registerMethod("workerAnswer", [this](const Args&) { return FB::variant(workerAnswer()); });
    }
    ~TestRoot() override { workerAnswer(); }

private:
    std::string workerAnswer() {
        if (m_worker.joinable()) {
            m_worker.join();
        }
        return m_answer;
    }

    FB::JSAPIPtr m_child;
    std::thread m_worker;
    std::string m_answer;
};

class TestCore : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<TestRoot>(); }
};

class TestFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr createPlugin(const std::string&) override {
        return boost::make_shared<TestCore>();
    }
};

TestFactory testFactory;

class NpapiBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(NP_Initialize(&browser.funcs(), &plugin), NPERR_NO_ERROR);
        npp = browser.addInstance();
    }

    void TearDown() override {
        for (NPP instance : live) {
            plugin.destroy(instance, nullptr);
            browser.forgetInstance(instance);
        }
        NP_Shutdown();
        EXPECT_TRUE(browser.misuses().empty()) << browser.misuses().front();
        EXPECT_EQ(browser.outstandingAllocations(), 0u) << "memory handed over and never freed";
    }

    NPError create(NPP instance) {
        char mime[] = "application/x-nvplugin";
        NPError result = plugin.newp(mime, instance, NP_EMBED, 0, nullptr, nullptr, nullptr);
        if (result == NPERR_NO_ERROR) {
            live.push_back(instance);
        }
        return result;
    }

    void destroy(NPP instance) {
        EXPECT_EQ(plugin.destroy(instance, nullptr), NPERR_NO_ERROR);
        browser.forgetInstance(instance);
        live.erase(std::find(live.begin(), live.end(), instance));
    }

    ObjectRef root(NPP instance) {
        NPObject* object = nullptr;
        EXPECT_EQ(plugin.getvalue(instance, NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
        return ObjectRef::adopt(object);
    }

    boost::shared_ptr<FB::Npapi::NpapiBrowserHost> host(NPP instance) {
        return static_cast<FB::Npapi::NpapiInstanceData*>(instance->pdata)->host;
    }

    // A script call the way the page's engine makes it: the method is read as a property and the
    // method object it gives is called.
    std::optional<PageValue> call(const ObjectRef& object, const std::string& member,
                                  const PageArgs& args = {}) {
        std::optional<PageValue> function = browser.getProperty(object.get(), member);
        if (!function || !std::holds_alternative<ObjectRef>(*function)) {
            return std::nullopt;
        }
        return browser.invokeDefault(std::get<ObjectRef>(*function).get(), args);
    }

    FakeBrowser browser;
    NPPluginFuncs plugin{};
    NPP npp = nullptr;
    std::vector<NPP> live;
};

} // namespace

FB::FactoryBasePtr FB::getFactoryInstance() {
    static FB::FactoryBasePtr shared(&testFactory, [](FB::FactoryBase*) {});
    return shared;
}

TEST_F(NpapiBridgeTest, EntryPointsRefuseNullInstancesButNameThePlugin) {
    const char* name = nullptr;
    const std::pair<NPError, NPError> codes[] = {
        {plugin.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
         NPERR_INVALID_INSTANCE_ERROR},
        {plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR},
        {plugin.setwindow(npp, nullptr), NPERR_INVALID_INSTANCE_ERROR},
        {plugin.setvalue(nullptr, NPNVWindowNPObject, nullptr), NPERR_INVALID_INSTANCE_ERROR},
        {plugin.getvalue(nullptr, NPPVpluginNameString, &name), NPERR_NO_ERROR},
    };
    for (const auto& [got, expected] : codes) {
        EXPECT_EQ(got, expected);
    }
    EXPECT_STREQ(name, "NVPlugin");
}

TEST_F(NpapiBridgeTest, AnInstanceIsWindowlessWithOneScriptableObject) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ASSERT_FALSE(browser.setValues.empty());
    EXPECT_EQ(browser.setValues[0],
              std::make_pair(NPPVpluginWindowBool, static_cast<void*>(nullptr)));
    EXPECT_EQ(root(npp), root(npp));
}

TEST_F(NpapiBridgeTest, ValuesReachThePageInTheirBrowserForms) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    const std::string text = "h\xc3\xa9";
    const std::tuple<const char*, PageArgs, PageValue> cases[] = {
        {"index", {}, std::string("3")}, // numbers that may not fit an Int32 become text
        {"big", {}, std::string("4000000000")},
        {"count", {}, int32_t(7)},
        {"ratio", {}, 0.5},
        {"echo", {text}, text}, // the page's string has no terminator
        {"wide", {}, std::string("\xe4\xb8\xad")},
    };
    for (const auto& [member, args, expected] : cases) {
        EXPECT_EQ(call(object, member, args), expected) << member;
    }

    auto list = call(object, "list");
    ASSERT_TRUE(list && std::holds_alternative<ObjectRef>(*list));
    const PageArgs& elements = FakePageObject::from(std::get<ObjectRef>(*list).get())->elements;
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[1], PageValue(std::string("two")));

    EXPECT_EQ(call(object, "child"), call(object, "child")) << "one browser identity per object";
    EXPECT_NE(call(object, "fresh"), call(object, "fresh"));
}

TEST_F(NpapiBridgeTest, ErrorsBecomeScriptExceptionsWithTheirText) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    // An exception of any kind stops at the bridge: none may unwind into the browser.
    for (const auto& [member, text] :
         {std::pair{"fail", "The plugin is invalid"}, std::pair{"failOther", "disk on fire"}}) {
        EXPECT_FALSE(call(root(npp), member));
        ASSERT_FALSE(browser.exceptions.empty());
        EXPECT_EQ(browser.exceptions.back(), text);
    }
}

TEST_F(NpapiBridgeTest, AWorkersSynchronousCallRunsOnTheMainThread) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    bool called = false;
    ObjectRef callback = browser.newFunction([&](const PageArgs&) {
        called = true;
        return std::optional<PageValue>(std::string("yes"));
    });
    ASSERT_TRUE(call(root(npp), "fromWorker", {callback}));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!called && std::chrono::steady_clock::now() < deadline) {
        browser.runAsyncCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(call(root(npp), "workerAnswer"), PageValue(std::string("yes")));
}

TEST_F(NpapiBridgeTest, MissingTableEntriesLeaveAWorkingInstance) {
    NP_Shutdown();
    browser.funcs().getvalue = nullptr;
    ASSERT_EQ(NP_Initialize(&browser.funcs(), &plugin), NPERR_NO_ERROR);
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    EXPECT_EQ(call(root(npp), "count"), PageValue(int32_t(7)));
    EXPECT_EQ(nvtest::errorOf<std::runtime_error>([&] { host(npp)->getDOMWindow(); }),
              "Cannot find HTML window");
    EXPECT_EQ(host(npp)->delayedInvoke(0, FB::JSObjectPtr(), {}), -1);
}

TEST_F(NpapiBridgeTest, AShutDownHostCallsNothingInTheBrowser) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    auto kept = host(npp);
    destroy(npp);
    EXPECT_EQ(kept->GetURL("http://x/", nullptr), NPERR_GENERIC_ERROR);
    EXPECT_TRUE(browser.requestedUrls.empty());
    EXPECT_FALSE(kept->ScheduleAsyncCall([](void*) {}, nullptr));
    EXPECT_EQ(nvtest::errorOnWorker([&] { kept->CallOnMainThread<int>([] { return 1; }); }),
              "Could not marshal to main thread");
}

TEST_F(NpapiBridgeTest, MainThreadCallsRunInOrderAndDieWithTheirInstance) {
    NPP second = browser.addInstance();
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ASSERT_EQ(create(second), NPERR_NO_ERROR);
    browser.runAsyncCalls();
    std::vector<int> order;
    bool orphanRan = false;
    auto first = host(npp);
    auto other = host(second);
    std::thread worker([&] {
        // The wake-up goes through the first instance, which then goes away: the manager must ask
        // again through the second one, or its calls would never run.
        first->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { orphanRan = true; });
        other->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { order.push_back(1); });
        other->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { order.push_back(2); });
    });
    worker.join();
    destroy(npp);
    browser.runAsyncCalls();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(orphanRan) << "a pending call runs once when its instance shuts down";
}
