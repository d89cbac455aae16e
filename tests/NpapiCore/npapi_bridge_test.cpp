// The NPAPI layer driven by a fake browser: entry points, NPP dispatch, the script object bridge
// and the NPAPI browser host, including what a real browser cannot be made to do (null instances,
// missing table entries, a host used after shutdown, two browser images).
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiInstanceData.h"
#include "src/NpapiCore/NpapiPluginModule.h"
#include "src/ScriptingCore/SimpleStreamHelper.h"
#include "tests/NpapiCore/NpapiTestPlugin.h"
#include "tests/support/ErrorText.h"
#include "tests/support/npapi/FakeBrowser.h"

extern "C" NPError second_image_initialize(NPNetscapeFuncs* browserFuncs,
                                           NPPluginFuncs* pluginFuncs);
extern "C" NPError second_image_shutdown();
extern "C" NPError NP_GetEntryPoints(NPPluginFuncs* pFuncs);

using namespace nvtest::npapi;
using FB::Npapi::NpapiBrowserHost;

namespace {

std::string text(const std::optional<PageValue>& value) {
    if (!value || !std::holds_alternative<std::string>(*value)) {
        return "<not a string>";
    }
    return std::get<std::string>(*value);
}

class NpapiBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        nvtest::testFactory().refuseWrappers = false;
        installDelegates();
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

    NPError create(NPP instance, std::vector<std::pair<const char*, const char*>> params = {}) {
        std::vector<char*> names;
        std::vector<char*> values;
        for (auto& [name, value] : params) {
            names.push_back(const_cast<char*>(name));
            values.push_back(const_cast<char*>(value));
        }
        NPError result =
            plugin.newp(const_cast<char*>("application/x-nvplugin"), instance, NP_EMBED,
                        static_cast<int16_t>(names.size()), names.data(), values.data(), nullptr);
        if (result == NPERR_NO_ERROR && instance->pdata) {
            live.push_back(instance);
        }
        return result;
    }

    void destroy(NPP instance) {
        EXPECT_EQ(plugin.destroy(instance, nullptr), NPERR_NO_ERROR);
        browser.forgetInstance(instance);
        live.erase(std::remove(live.begin(), live.end(), instance), live.end());
    }

    ObjectRef root(NPP instance) {
        NPObject* object = nullptr;
        EXPECT_EQ(plugin.getvalue(instance, NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
        return ObjectRef::adopt(object);
    }

    boost::shared_ptr<NpapiBrowserHost> host(NPP instance) {
        return static_cast<FB::Npapi::NpapiInstanceData*>(instance->pdata)->host;
    }

    // A script call the way the page's engine makes it: a member that is no method is read as a
    // property and the value is called.
    std::optional<PageValue> call(const ObjectRef& object, const std::string& member,
                                  const PageArgs& args) {
        std::optional<PageValue> function = browser.getProperty(object.get(), member);
        if (function && std::holds_alternative<ObjectRef>(*function)) {
            return browser.invokeDefault(std::get<ObjectRef>(*function).get(), args);
        }
        return browser.invoke(object.get(), member, args);
    }

    // The page's timers: the calls the delegate was asked to make later.
    void runTimers() {
        std::vector<PageArgs> due;
        due.swap(timers);
        for (const PageArgs& args : due) {
            browser.invokeDefault(
                std::get<ObjectRef>(args[1]).get(),
                FakePageObject::from(std::get<ObjectRef>(args[2]).get())->elements());
        }
    }

    std::string lastException() const {
        return browser.exceptions().empty() ? "" : browser.exceptions().back().message;
    }

    // The delegate script the host installs becomes a page function that calls f right away.
    void installDelegates() {
        browser.setEvaluateHook([this](const std::string& script) -> std::optional<PageValue> {
            const std::string prefix = "window.";
            size_t end = script.find(" = function");
            if (script.compare(0, prefix.size(), prefix) != 0 || end == std::string::npos) {
                return PageValue();
            }
            std::string name = script.substr(prefix.size(), end - prefix.size());
            ObjectRef delegate =
                browser.newFunction([this](const PageArgs& args) -> std::optional<PageValue> {
                    timers.push_back(args);
                    return PageValue(int32_t(timers.size()));
                });
            browser.window().set(name, delegate);
            return PageValue();
        });
    }

    FakeBrowser browser;
    NPPluginFuncs plugin{};
    NPP npp = nullptr;
    std::vector<NPP> live;
    std::vector<PageArgs> timers;
};

} // namespace

TEST_F(NpapiBridgeTest, NullInstancesGetTheirCodesAndNameAndDescriptionStillAnswer) {
    EXPECT_EQ(plugin.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    const char* value = nullptr;
    EXPECT_EQ(plugin.getvalue(nullptr, NPPVpluginNameString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "NVPlugin");
    EXPECT_EQ(plugin.getvalue(nullptr, NPPVpluginDescriptionString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(plugin.getvalue(nullptr, NPPVpluginWindowBool, &value), NPERR_GENERIC_ERROR);
    EXPECT_EQ(plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.setwindow(npp, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.writeready(npp, nullptr), 2);
    EXPECT_EQ(plugin.write(npp, nullptr, 0, 0, nullptr), 2);
    EXPECT_EQ(plugin.event(npp, nullptr), 0);
    EXPECT_EQ(plugin.setvalue(nullptr, NPNVWindowNPObject, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_STREQ(NP_GetMIMEDescription(), "application/x-nvplugin::Norvane Plugin;");
    EXPECT_EQ(NP_GetValue(nullptr, NPPVpluginNameString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "NVPlugin");
}

TEST_F(NpapiBridgeTest, AnInstanceIsWindowlessAndScriptable) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ASSERT_FALSE(browser.setValues().empty());
    EXPECT_EQ(browser.setValues()[0].variable, NPPVpluginWindowBool);
    EXPECT_EQ(browser.setValues()[0].value, nullptr);
    const char* value = nullptr;
    EXPECT_EQ(plugin.getvalue(npp, NPPVpluginDescriptionString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "Norvane Plugin");
    EXPECT_EQ(plugin.setwindow(npp, nullptr), 0);
    EXPECT_EQ(plugin.event(npp, nullptr), 0);
    EXPECT_EQ(root(npp), root(npp)) << "one scriptable object per instance";
}

TEST_F(NpapiBridgeTest, ValuesReachThePageInTheirBrowserForms) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    EXPECT_EQ(text(call(object, "index", {})), "3") << "unsigned long becomes text";
    EXPECT_EQ(call(object, "count", {}), PageValue(int32_t(7)));
    EXPECT_EQ(call(object, "ratio", {}), PageValue(0.5));
    EXPECT_EQ(text(call(object, "echo", {std::string("h\xc3\xa9")})), "h\xc3\xa9");
    EXPECT_EQ(text(call(object, "wide", {})), "\xe4\xb8\xad");
    EXPECT_EQ(call(object, "sum", {browser.newArray({int32_t(2), 3.0, std::string("4")})}),
              PageValue(int32_t(9)));

    auto list = call(object, "list", {});
    ASSERT_TRUE(list && std::holds_alternative<ObjectRef>(*list));
    auto* array = FakePageObject::from(std::get<ObjectRef>(*list).get());
    ASSERT_EQ(array->elements().size(), 3u);
    EXPECT_EQ(array->elements()[1], PageValue(std::string("two")));

    auto map = call(object, "map", {});
    ASSERT_TRUE(map && std::holds_alternative<ObjectRef>(*map));
    EXPECT_EQ(FakePageObject::from(std::get<ObjectRef>(*map).get())->get("b"),
              PageValue(std::string("x")));
}

TEST_F(NpapiBridgeTest, OneBrowserIdentityPerObject) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    auto first = call(object, "child", {});
    auto second = call(object, "child", {});
    EXPECT_EQ(first, second);
    EXPECT_NE(call(object, "fresh", {}), call(object, "fresh", {}));
}

TEST_F(NpapiBridgeTest, ErrorsBecomeScriptExceptionsWithTheirText) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    EXPECT_FALSE(call(object, "fail", {}));
    EXPECT_EQ(lastException(), "The plugin is invalid");
    EXPECT_EQ(text(call(object, "getLastException", {})), "The plugin is invalid");
    EXPECT_FALSE(call(object, "echo", {}));
    EXPECT_EQ(lastException(), "Error: Argument 1is not optional.");
    EXPECT_FALSE(call(object, "failOther", {}));
    EXPECT_EQ(lastException(), "disk on fire") << "no exception unwinds into the browser";
    EXPECT_FALSE(browser.setProperty(object.get(), "echo", PageValue(int32_t(1))));
    EXPECT_EQ(lastException(), "This property cannot be changed");
    EXPECT_TRUE(browser.setProperty(object.get(), "custom", PageValue(int32_t(1))));
    EXPECT_EQ(browser.getProperty(object.get(), "custom"), PageValue(int32_t(1)));
}

TEST_F(NpapiBridgeTest, ListenerArgumentCountsAndEnumeration) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    ObjectRef handler = browser.newFunction();
    EXPECT_FALSE(call(object, "addEventListener", {std::string("DropFiles")}));
    EXPECT_EQ(lastException(), "Invalid Arguments");
    EXPECT_FALSE(call(object, "addEventListener", {std::string("a"), handler, true, 4}));
    EXPECT_EQ(lastException(), "Invalid Arguments");
    size_t exceptions = browser.exceptions().size();
    EXPECT_TRUE(call(object, "addEventListener", {std::string("DropFiles"), handler, false}));
    EXPECT_TRUE(call(object, "removeEventListener", {std::string("DropFiles"), handler}));
    EXPECT_EQ(browser.exceptions().size(), exceptions);

    auto names = browser.enumerate(object.get());
    ASSERT_TRUE(names);
    ASSERT_GE(names->size(), 3u);
    std::vector<std::string> last(names->end() - 3, names->end());
    EXPECT_EQ(last, (std::vector<std::string>{"addEventListener", "removeEventListener",
                                              "getLastException"}));
    EXPECT_NE(std::find(names->begin(), names->end(), "echo"), names->end());
}

TEST_F(NpapiBridgeTest, CallsOnAKeptReferenceFailQuietlyOnceThePageIsTornDown) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef object = root(npp);
    browser.invalidateObjects();
    size_t exceptions = browser.exceptions().size();
    EXPECT_FALSE(call(object, "count", {}));
    EXPECT_EQ(browser.exceptions().size(), exceptions);

    NPP other = browser.addInstance();
    ASSERT_EQ(create(other), NPERR_NO_ERROR);
    ObjectRef kept = root(other);
    destroy(other);
    EXPECT_FALSE(call(kept, "count", {}));
    EXPECT_EQ(browser.exceptions().size(), exceptions);
}

TEST_F(NpapiBridgeTest, OnloadAndEventsReachThePageLaterThroughTheDelegate) {
    ObjectRef ready = browser.newFunction();
    browser.window().set("pageReady", ready);
    ASSERT_EQ(create(npp, {{"onload", "pageReady"}, {"empty", nullptr}}), NPERR_NO_ERROR);
    auto* readyFunction = FakePageObject::from(ready.get());
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0][0], PageValue(int32_t(250)));
    EXPECT_TRUE(readyFunction->calls().empty()) << "not inside NPP_New";
    runTimers();
    ASSERT_EQ(readyFunction->calls().size(), 1u);
    EXPECT_EQ(readyFunction->calls()[0].args[0], PageValue(root(npp))) << "one identity";

    ObjectRef callback = browser.newFunction();
    EXPECT_TRUE(call(root(npp), "later", {callback}));
    EXPECT_TRUE(FakePageObject::from(callback.get())->calls().empty())
        << "never inside the native call";
    browser.runAsyncCalls();
    runTimers();
    ASSERT_EQ(FakePageObject::from(callback.get())->calls().size(), 1u);
    EXPECT_EQ(FakePageObject::from(callback.get())->calls()[0].args[0],
              PageValue(std::string("from a worker")));
}

TEST_F(NpapiBridgeTest, AWorkersSynchronousCallRunsOnTheMainThread) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    ObjectRef callback = browser.newFunction(
        [](const PageArgs&) -> std::optional<PageValue> { return PageValue(std::string("yes")); });
    ASSERT_TRUE(call(root(npp), "fromWorker", {callback}));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FakePageObject::from(callback.get())->calls().empty() &&
           std::chrono::steady_clock::now() < deadline) {
        browser.runAsyncCalls();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(text(call(root(npp), "workerAnswer", {})), "yes");
    EXPECT_TRUE(browser.misuses().empty()) << "no browser entry was called off the main thread";
}

TEST_F(NpapiBridgeTest, MissingTableEntriesLeaveAWorkingInstance) {
    NP_Shutdown();
    browser.funcs().getvalue = nullptr;
    browser.funcs().pushpopupsenabledstate = nullptr;
    ASSERT_EQ(NP_Initialize(&browser.funcs(), &plugin), NPERR_NO_ERROR);
    ASSERT_EQ(create(npp, {{"onload", "pageReady"}}), NPERR_NO_ERROR);
    EXPECT_EQ(call(root(npp), "count", {}), PageValue(int32_t(7)));
    const std::pair<std::function<void()>, std::string> lookups[] = {
        {[&] { host(npp)->getDOMWindow(); }, "Cannot find HTML window"},
        {[&] { host(npp)->getDOMDocument(); }, "Cannot find HTML document"},
        {[&] { host(npp)->getDOMElement(); }, "Cannot find the plug-in element"}};
    for (const auto& [lookup, text] : lookups) {
        try {
            lookup();
            ADD_FAILURE() << "no error for: " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), text);
        }
    }
    EXPECT_EQ(host(npp)->delayedInvoke(0, FB::JSObjectPtr(), {}), -1);
    host(npp)->Navigate("http://x/", "_blank");
}

TEST_F(NpapiBridgeTest, NavigateOpensTheWindowWithPopupsAllowedAndRestoresTheState) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    host(npp)->Navigate("http://x/mail", "_blank");
    ASSERT_EQ(browser.requests().size(), 1u);
    EXPECT_EQ(browser.requests().back().url, "http://x/mail");
    EXPECT_EQ(browser.requests().back().target, std::optional<std::string>("_blank"));
    EXPECT_EQ(browser.callCount("NPN_PushPopupsEnabledState"), 1u);
    EXPECT_EQ(browser.callCount("NPN_PopPopupsEnabledState"), 1u) << "the pushed state is popped";
}

TEST_F(NpapiBridgeTest, ARefusedWrapperFailsNPPNew) {
    nvtest::testFactory().refuseWrappers = true;
    EXPECT_EQ(create(npp), NPERR_OUT_OF_MEMORY_ERROR);
    EXPECT_EQ(npp->pdata, nullptr);
}

TEST_F(NpapiBridgeTest, PostBuffersCarryTheirHeaderText) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    auto noop = [](bool, const FB::HeaderMap&, const boost::shared_array<uint8_t>&, size_t) {};
    FB::BrowserStreamRequest form(FB::URI("http://mail/query"), "POST");
    form.setPostData("hello");
    form.setCallback(noop);
    FB::SimpleStreamHelper::AsyncRequest(host(npp), form);
    FB::BrowserStreamRequest block(FB::URI("http://mail/block"), "POST");
    block.setPostData("hello", "Content-Type: application/octet-stream\nContent-Length: 5");
    block.setCallback(noop);
    FB::SimpleStreamHelper::AsyncRequest(host(npp), block);
    ASSERT_EQ(browser.requests().size(), 2u);
    EXPECT_EQ(browser.requests()[0].body,
              "Content-type: application/x-www-form-urlencoded\nContent-Length: 5\n\nhello");
    EXPECT_EQ(browser.requests()[1].body,
              "Content-Type: application/octet-stream\nContent-Length: 5\n\nhello");
    EXPECT_TRUE(browser.requests()[1].notify);
    for (const UrlRequest& request : browser.requests()) {
        respond(browser, plugin, request, StreamResponse{}, "");
    }
}

TEST_F(NpapiBridgeTest, StreamsCompleteOnceWithTheirBodyOrAFailure) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    struct Done {
        int calls = 0;
        bool success = false;
        std::string body;
        FB::HeaderMap headers;
    };
    auto request = [&](Done& done) {
        FB::BrowserStreamRequest req(FB::URI("http://mail/file"), "GET");
        req.setCallback([&done](bool success, const FB::HeaderMap& headers,
                                const boost::shared_array<uint8_t>& data, size_t size) {
            ++done.calls;
            done.success = success;
            done.headers = headers;
            if (data) {
                done.body.assign(reinterpret_cast<const char*>(data.get()), size);
            }
        });
        return FB::SimpleStreamHelper::AsyncRequest(host(npp), req);
    };

    Done ok;
    request(ok);
    StreamResponse response;
    response.headers = "HTTP/1.1 200 OK\nContent-Type: text/plain\n";
    std::string body(300000, 'b');
    EXPECT_EQ(respond(browser, plugin, browser.requests().back(), response, body), body.size());
    EXPECT_EQ(ok.calls, 1);
    EXPECT_TRUE(ok.success);
    EXPECT_TRUE(ok.body == body);
    EXPECT_EQ(ok.headers.find("Content-Type")->second, "text/plain");

    Done broken;
    request(broken);
    {
        FakeStream stream(browser, plugin, browser.requests().back());
        stream.open(response);
        stream.write("partial");
        stream.finish(NPRES_NETWORK_ERR);
    }
    EXPECT_EQ(broken.calls, 1);
    EXPECT_FALSE(broken.success);

    Done cancelled;
    auto helper = request(cancelled);
    {
        FakeStream stream(browser, plugin, browser.requests().back());
        stream.open(response);
        stream.write("some");
        EXPECT_TRUE(helper->cancel());
        EXPECT_TRUE(stream.isFinished()) << "the plug-in ended the stream";
    }
    EXPECT_EQ(cancelled.calls, 1);
    EXPECT_FALSE(cancelled.success) << "a cancelled transfer is no success";

    Done refused;
    browser.setRequestResult(NPERR_GENERIC_ERROR);
    request(refused);
    EXPECT_EQ(refused.calls, 0);
    browser.runAsyncCalls();
    EXPECT_EQ(refused.calls, 1);
    EXPECT_FALSE(refused.success);
}

TEST_F(NpapiBridgeTest, AShutDownHostCallsNothingInTheBrowser) {
    ASSERT_EQ(create(npp), NPERR_NO_ERROR);
    auto kept = host(npp);
    destroy(npp);
    size_t before = browser.callCount("NPN_GetURL");
    EXPECT_EQ(kept->GetURL("http://x/", nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(browser.callCount("NPN_GetURL"), before);
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

TEST_F(NpapiBridgeTest, TwoBrowserImagesGetTwoModules) {
    int initializations = nvtest::testFactory().initializations;
    int deinitializations = nvtest::testFactory().deinitializations;
    int modules = FB::Npapi::NpapiPluginModule::moduleCount();
    NPPluginFuncs secondTable{};
    ASSERT_EQ(second_image_initialize(&browser.funcs(), &secondTable), NPERR_NO_ERROR);
    EXPECT_EQ(FB::Npapi::NpapiPluginModule::moduleCount(), modules + 1);
    EXPECT_EQ(nvtest::testFactory().initializations, initializations);
    EXPECT_EQ(second_image_shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(FB::Npapi::NpapiPluginModule::moduleCount(), modules);
    EXPECT_EQ(nvtest::testFactory().deinitializations, deinitializations)
        << "global state lives while one module does";
    NPPluginFuncs entryPoints{};
    EXPECT_EQ(NP_GetEntryPoints(&entryPoints), NPERR_NO_ERROR);
    EXPECT_EQ(entryPoints.newp, plugin.newp);
}
