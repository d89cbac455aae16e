#include "src/PluginCore/PluginCore.h"

#include <typeinfo>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/PluginCore/PluginEvents/DrawingEvents.h"
#include "src/PluginCore/PluginWindow.h"
#include "src/ScriptingCore/JSAPIAuto.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

namespace {

class RecordingCore : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
        seen.push_back(typeid(*event).name());
        return consume;
    }
    FB::JSAPIPtr createJSAPI() override {
        ++rootsMade;
        return boost::make_shared<FB::JSAPIAuto>();
    }
    void onPluginReady() override { ++readyCalls; }

    std::vector<std::string> seen;
    bool consume = false;
    int rootsMade = 0;
    int readyCalls = 0;
};

// A root object with members whose names the element's DOM has too: its own must still win.
class ElementRoot : public FB::JSAPIAuto {
public:
    ElementRoot() {
        registerMethod("remove", FB::make_method(this, &ElementRoot::remove));
        registerProperty("title", FB::make_property(this, &ElementRoot::title));
    }
    int remove() { return 1; }
    std::string title() { return "mine"; }
};

class ElementCore : public RecordingCore {
public:
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<ElementRoot>(); }
};

class PluginCoreTest : public ::testing::Test {
protected:
    void SetUp() override { core->SetHost(host); }
    void TearDown() override { host->shutdown(); }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<RecordingCore> core = boost::make_shared<RecordingCore>();
};

} // namespace

TEST_F(PluginCoreTest, OnloadReceivesTheRootObjectAQuarterSecondLater) {
    auto ready = FakeJSObject::function(host);
    host->window()->set("pageReady", FB::JSObjectPtr(ready));
    core->setParams({{"onload", "pageReady"}, {"other", "x"}});
    EXPECT_TRUE(core->setReady());
    EXPECT_EQ(core->readyCalls, 1);
    EXPECT_TRUE(ready->calls().empty());
    host->pump();
    auto calls = ready->selfCalls();
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 1u);
    EXPECT_EQ(calls[0][0].cast<FB::JSAPIPtr>(), core->getRootJSAPI());
    EXPECT_EQ(core->rootsMade, 1);
    ASSERT_EQ(host->timers().size(), 1u);
    EXPECT_EQ(host->timers()[0].delay, 250);
}

TEST_F(PluginCoreTest, UnresolvableHandlersAreSkippedAndTheRestKept) {
    core->setParams({{"onmissing", "noSuchFunction"}, {"onzzz", "alsoMissing"}, {"plain", "1"}});
    EXPECT_TRUE(core->getParamVariant("onmissing").empty());
    EXPECT_EQ(*core->getParam("plain"), "1");
    EXPECT_FALSE(core->getParam("absent"));
    EXPECT_FALSE(core->setReady()) << "no onload parameter";
    EXPECT_EQ(core->readyCalls, 1);

    host->removeWindow();
    auto other = boost::make_shared<RecordingCore>();
    other->SetHost(host);
    other->setParams({{"onload", "pageReady"}, {"width", "10"}});
    EXPECT_TRUE(other->getParamVariant("onload").empty());
    EXPECT_EQ(*other->getParam("width"), "10");
    EXPECT_FALSE(other->setReady());
    EXPECT_EQ(other->readyCalls, 1);
}

TEST_F(PluginCoreTest, WindowsAttachAndDetachTheCore) {
    auto first = boost::make_shared<FB::PluginWindow>();
    auto second = boost::make_shared<FB::PluginWindow>();
    core->SetWindow(first.get());
    core->SetWindow(first.get());
    core->SetWindow(second.get());
    core->ClearWindow();
    const std::string attached = typeid(FB::AttachedEvent).name();
    const std::string detached = typeid(FB::DetachedEvent).name();
    EXPECT_EQ(core->seen,
              (std::vector<std::string>{attached, attached, detached, attached, detached}));
    EXPECT_EQ(core->GetWindow(), nullptr);
}

TEST_F(PluginCoreTest, TheFirstConsumingObserverEndsDelivery) {
    auto window = boost::make_shared<FB::PluginWindow>();
    auto second = boost::make_shared<RecordingCore>();
    core->consume = true;
    window->AttachObserver(core);
    window->AttachObserver(second);
    FB::RefreshEvent refresh;
    EXPECT_TRUE(window->SendEvent(&refresh));
    EXPECT_EQ(second->seen.size(), 1u) << "only its attach event";
    core.reset();
    EXPECT_FALSE(window->SendEvent(&refresh)) << "a gone observer is skipped";
    EXPECT_EQ(second->seen.size(), 2u);
}

TEST_F(PluginCoreTest, DestroyingTheCoreShutsItsHostDown) {
    int before = FB::PluginCore::ActivePluginCount;
    core.reset();
    EXPECT_TRUE(host->isShutDown());
    EXPECT_EQ(FB::PluginCore::ActivePluginCount, before - 1);
}

TEST(ElementMembers, ReachTheDomOnlyThroughTheElementsOwnObject) {
    auto core = boost::make_shared<ElementCore>();
    FB::JSAPIPtr root = core->getRootJSAPI();
    FB::JSAPIPtr other = boost::make_shared<ElementRoot>();
    const std::pair<const char*, bool> cases[] = {
        {"parentNode", false}, {"tagName", false},      {"onclick", false},
        {"remove", true},      {"title", true},         {"valid", true},
        {"onDropFiles", true}, {"ELEMENT_NODE", false}, {"anyPageAttribute", true},
    };
    for (const auto& [name, claimedByRoot] : cases) {
        EXPECT_EQ(root->HasProperty(name), claimedByRoot) << name;
        EXPECT_TRUE(other->HasProperty(name)) << name << " on another object";
    }
}
