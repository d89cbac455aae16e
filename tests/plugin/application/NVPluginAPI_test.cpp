#include "plugin/application/NVPluginAPI.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "plugin/download/TDownloadManager.h"
#include "plugin/upload/TUploadManager.h"
#include "tests/support/ErrorText.h"
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

class NVPluginAPITest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin->SetHost(host);
        plugin->setSettingsPath("/nonexistent/settings");
        root = plugin->getRootJSAPI();
    }
    void TearDown() override { host->shutdown(); }

    // An object as the page gets it from the root object.
    FB::JSAPIPtr make(const std::string& method, const FB::VariantList& arguments = {}) {
        return root->Invoke(method, arguments).cast<FB::JSAPIPtr>();
    }
    FB::JSAPIPtr uploadItem() {
        auto manager = boost::dynamic_pointer_cast<TUploadManager>(make("upload"));
        return manager->get_item(manager->addFile(L"/nonexistent/file"));
    }
    FB::JSAPIPtr downloadItem() {
        auto manager = boost::dynamic_pointer_cast<TDownloadManager>(make("download"));
        auto options = nvtest::FakeJSObject::object(
            host, {{"url", "http://127.0.0.1/files/a.bin"}, {"name", "a.bin"}});
        return manager->items().at(manager->add(FB::JSObjectPtr(options)) - 1);
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<NVPlugin> plugin = boost::make_shared<NVPlugin>();
    FB::JSAPIPtr root;
};

} // namespace

// The page developer's reference, docs/script-reference.md, must name every member a page can
// reach. Each object is made the way a page gets it, and every name it has registered must head a
// member ("### `name`") or a table row ("| `name` |") in the object's section or in the section
// of members every object has. A newly registered object gets one row in the table.
TEST_F(NVPluginAPITest, EveryRegisteredMemberIsDocumented) {
    const std::pair<const char*, FB::JSAPIPtr> objects[] = {
        {"Root object", root},
        {"Upload manager", make("upload")},
        {"Upload item", uploadItem()},
        {"Checksum object", make("mycrc", {0})},
        {"Download manager", make("download")},
        {"Download item", downloadItem()},
        {"Mail message object", make("mime")},
        {"Screen-capture object", make("screenCapture")},
        {"Sound recorder", make("soundRecord")},
        {"Video recorder", make("videoRecord")},
    };
    auto sections = referenceSections();
    ASSERT_TRUE(sections.count(kEveryObject)) << "no section \"" << kEveryObject << "\"";
    for (const auto& [section, made] : objects) {
        ASSERT_TRUE(sections.count(section)) << "no section \"" << section << "\"";
        ASSERT_TRUE(made) << section;
        std::vector<std::string> members;
        made->getMemberNames(members);
        EXPECT_FALSE(members.empty()) << section;
        for (const std::string& member : members) {
            EXPECT_TRUE(documents(sections[section], member) ||
                        documents(sections[kEveryObject], member))
                << section << " member \"" << member << "\" is not in the reference";
        }
    }
}

// The page may keep the root object after the element is gone; the drop switches need the plug-in.
TEST_F(NVPluginAPITest, TheDropSwitchStaysOffAndFailsOnceThePluginIsGone) {
    root->SetProperty("EnableDropFiles", true);
    EXPECT_FALSE(root->GetProperty("EnableDropFiles").cast<bool>());
    plugin.reset();
    EXPECT_EQ(nvtest::errorOf([&] { root->GetProperty("supportDropFiles"); }),
              "The plugin is invalid");
    EXPECT_EQ(nvtest::errorOf([&] { root->SetProperty("EnableDropFiles", true); }),
              "The plugin is invalid");
    EXPECT_EQ(root->GetProperty("version").cast<std::string>(), "4.0.1.0");
    EXPECT_TRUE(root->Invoke("mycrc", {1}).cast<FB::JSAPIPtr>());
}
