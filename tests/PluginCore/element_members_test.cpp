#include "src/PluginCore/ElementMembers.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace {

// A root object with members whose names the element's DOM has too: its own must still win.
class Root : public FB::JSAPIAuto {
public:
    Root() {
        registerMethod("remove", FB::make_method(this, &Root::remove));
        registerProperty("title", FB::make_property(this, &Root::title));
    }
    int remove() { return 1; }
    std::string title() { return "mine"; }
};

class Core : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<Root>(); }
};

TEST(ElementMembers, ReachTheDomOnlyThroughTheElementsOwnObject) {
    auto core = boost::make_shared<Core>();
    FB::JSAPIPtr root = core->getRootJSAPI();
    FB::JSAPIPtr other = boost::make_shared<Root>();
    struct Case {
        const char* name;
        bool claimedByRoot;
    };
    const Case cases[] = {
        {"parentNode", false},
        {"tagName", false},
        {"nodeName", false},
        {"children", false},
        {"onclick", false},
        {"ELEMENT_NODE", false},
        {"remove", true},
        {"title", true},
        {"valid", true},
        {"onDropFiles", true},
        {"anyPageAttribute", true},
    };
    for (const Case& entry : cases) {
        EXPECT_EQ(root->HasProperty(entry.name), entry.claimedByRoot) << entry.name;
        EXPECT_TRUE(other->HasProperty(entry.name)) << entry.name << " on another object";
    }
}

} // namespace
