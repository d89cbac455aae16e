// The page developer's reference, docs/script-reference.md, must name every member a page can
// reach. Each object is made the way a page gets it, and every name it has registered must head a
// member ("### `name`") or a table row ("| `name` |") in the object's section or in the section
// of members every object has. A newly registered object gets one row in kObjects.
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "plugin/download/TDownloadManager.h"
#include "plugin/upload/TUploadManager.h"
#include "tests/support/FakeJSObject.h"
#include "tests/support/TestBrowserHost.h"

namespace {

constexpr char kEveryObject[] = "Every object";

// The text of each "## " section of the reference, by heading.
std::map<std::string, std::string> referenceSections() {
    std::ifstream file(NV_SCRIPT_REFERENCE);
    std::map<std::string, std::string> sections;
    std::string* current = nullptr;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("## ", 0) == 0) {
            current = &sections[line.substr(3)];
        } else if (current) {
            current->append(line).push_back('\n');
        }
    }
    return sections;
}

bool documents(const std::string& section, const std::string& member) {
    return section.find("\n### `" + member + "`") != std::string::npos ||
           section.find("\n| `" + member + "` |") != std::string::npos;
}

class ScriptReferenceTest : public ::testing::Test {
public:
    // Each object as a page reaches it.
    FB::JSAPIPtr root() { return plugin->getRootJSAPI(); }
    FB::JSAPIPtr uploadManager() { return root()->Invoke("upload", {}).cast<FB::JSAPIPtr>(); }
    FB::JSAPIPtr uploadItem() {
        auto manager = boost::dynamic_pointer_cast<TUploadManager>(uploadManager());
        return manager->get_item(manager->addFile(L"/nonexistent/file"));
    }
    FB::JSAPIPtr downloadItem() {
        auto manager = boost::dynamic_pointer_cast<TDownloadManager>(
            root()->Invoke("download", {}).cast<FB::JSAPIPtr>());
        auto options = nvtest::FakeJSObject::object(
            host, {{"url", "http://127.0.0.1/files/a.bin"}, {"name", "a.bin"}});
        return manager->items().at(manager->add(FB::JSObjectPtr(options)) - 1);
    }

protected:
    void SetUp() override {
        plugin->SetHost(host);
        plugin->setSettingsPath("/nonexistent/settings");
    }
    void TearDown() override { host->shutdown(); }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<NVPlugin> plugin = boost::make_shared<NVPlugin>();
};

struct DocumentedObject {
    const char* section;
    std::function<FB::JSAPIPtr(ScriptReferenceTest&)> make;
};

} // namespace

TEST_F(ScriptReferenceTest, EveryRegisteredMemberIsDocumented) {
    const DocumentedObject kObjects[] = {
        {"Root object", [](ScriptReferenceTest& t) { return t.root(); }},
        {"Upload manager", [](ScriptReferenceTest& t) { return t.uploadManager(); }},
        {"Upload item", [](ScriptReferenceTest& t) { return t.uploadItem(); }},
        {"Checksum object",
         [](ScriptReferenceTest& t) {
             return t.root()->Invoke("mycrc", {0}).cast<FB::JSAPIPtr>();
         }},
        {"Download manager",
         [](ScriptReferenceTest& t) {
             return t.root()->Invoke("download", {}).cast<FB::JSAPIPtr>();
         }},
        {"Download item", [](ScriptReferenceTest& t) { return t.downloadItem(); }},
        {"Mail message object",
         [](ScriptReferenceTest& t) { return t.root()->Invoke("mime", {}).cast<FB::JSAPIPtr>(); }},
        {"Screen-capture object",
         [](ScriptReferenceTest& t) {
             return t.root()->Invoke("screenCapture", {}).cast<FB::JSAPIPtr>();
         }},
        {"Sound recorder",
         [](ScriptReferenceTest& t) {
             return t.root()->Invoke("soundRecord", {}).cast<FB::JSAPIPtr>();
         }},
        {"Video recorder",
         [](ScriptReferenceTest& t) {
             return t.root()->Invoke("videoRecord", {}).cast<FB::JSAPIPtr>();
         }},
    };
    auto sections = referenceSections();
    ASSERT_TRUE(sections.count(kEveryObject)) << "no section \"" << kEveryObject << "\"";
    for (const DocumentedObject& object : kObjects) {
        ASSERT_TRUE(sections.count(object.section)) << "no section \"" << object.section << "\"";
        FB::JSAPIPtr made = object.make(*this);
        ASSERT_TRUE(made) << object.section;
        std::vector<std::string> members;
        made->getMemberNames(members);
        EXPECT_FALSE(members.empty()) << object.section;
        for (const std::string& member : members) {
            EXPECT_TRUE(documents(sections[object.section], member) ||
                        documents(sections[kEveryObject], member))
                << object.section << " member \"" << member << "\" is not in the reference";
        }
    }
}
