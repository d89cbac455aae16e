#include "src/PluginCore/PluginCore.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/JSAPIAuto.h"
#include "tests/support/TestBrowserHost.h"

namespace {

class RecordingCore : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<FB::JSAPIAuto>(); }
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

} // namespace

TEST(PluginCoreTest, DestroyingTheCoreShutsItsHostDown) {
    auto host = nvtest::TestBrowserHost::create();
    auto core = boost::make_shared<RecordingCore>();
    core->SetHost(host);
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
