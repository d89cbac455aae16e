#include "plugin/application/NVPluginAPI.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "src/ScriptingCore/script_error.h"
#include "tests/support/ErrorText.h"
#include "tests/support/TestBrowserHost.h"

namespace {

class NVPluginAPITest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin->SetHost(host);
        plugin->setSettingsPath("/nonexistent/settings");
        root = plugin->getRootJSAPI();
    }
    void TearDown() override { host->shutdown(); }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<NVPlugin> plugin = boost::make_shared<NVPlugin>();
    FB::JSAPIPtr root;
};

} // namespace

TEST_F(NVPluginAPITest, VersionIsFixedAndReadOnly) {
    EXPECT_EQ(root->GetProperty("version").cast<std::string>(), "4.0.1.0");
    root->SetProperty("version", "9");
    EXPECT_EQ(root->GetProperty("version").cast<std::string>(), "4.0.1.0");
    EXPECT_EQ(plugin->getRootJSAPI(), root) << "the core keeps its first root object";
    EXPECT_EQ(plugin->m_acceptDropFile, dynamic_cast<NVAcceptDropFile*>(root.get()));
}

TEST_F(NVPluginAPITest, EveryMycrcCallMakesAnIndependentObject) {
    auto first = root->Invoke("mycrc", {0}).cast<FB::JSAPIPtr>();
    auto second = root->Invoke("mycrc", {0.0}).cast<FB::JSAPIPtr>();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    first->Invoke("update_str", {"123456789"});
    EXPECT_EQ(first->Invoke("result", {}).cast<std::string>(), "873187033");
    EXPECT_EQ(second->Invoke("result", {}).cast<std::string>(), "4294967295");
    EXPECT_THROW(root->Invoke("mycrc", {"x"}), FB::invalid_arguments);
}

TEST_F(NVPluginAPITest, DropSwitchesAreOffAndStayOff) {
    EXPECT_FALSE(root->GetProperty("supportDropFiles").cast<bool>());
    root->SetProperty("EnableDropFiles", true);
    EXPECT_FALSE(root->GetProperty("EnableDropFiles").cast<bool>());
    root->Invoke("shutdown", {});
}

TEST_F(NVPluginAPITest, AGonePluginMakesTheDropSwitchesFail) {
    plugin.reset();
    EXPECT_EQ(nvtest::errorOf([&] { root->GetProperty("supportDropFiles"); }),
              "The plugin is invalid");
    EXPECT_EQ(nvtest::errorOf([&] { root->SetProperty("EnableDropFiles", true); }),
              "The plugin is invalid");
    EXPECT_EQ(root->GetProperty("version").cast<std::string>(), "4.0.1.0");
    EXPECT_TRUE(root->Invoke("mycrc", {1}).cast<FB::JSAPIPtr>());
}
