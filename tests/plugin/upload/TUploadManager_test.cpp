#include "plugin/upload/TUploadManager.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "plugin/application/NVPluginAPI.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

namespace {

class TUploadManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin->SetHost(host);
        plugin->setSettingsPath(dir + "/settings");
        root = boost::dynamic_pointer_cast<NVPluginAPI>(plugin->getRootJSAPI());
    }
    void TearDown() override { host->shutdown(); }

    FB::JSAPIPtr manager() { return root->Invoke("upload", {}).cast<FB::JSAPIPtr>(); }
    FB::JSObjectPtr options(const FB::VariantMap& members) {
        return FakeJSObject::object(host, members);
    }
    FB::JSAPIPtr item(unsigned long index) {
        return manager()->Invoke("item", {index}).convert_cast<FB::JSAPIPtr>();
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<NVPlugin> plugin = boost::make_shared<NVPlugin>();
    boost::shared_ptr<NVPluginAPI> root;
    TempFolder folder{"uploadmanager"};
    const std::string dir = folder.path;
};

} // namespace

TEST_F(TUploadManagerTest, IncompleteResumeInformationMakesNoItem) {
    for (const FB::VariantMap& members :
         {FB::VariantMap{{"filename", L"/f"}, {"crc2", ""}, {"attachID", "1"}},
          FB::VariantMap{{"filename", L"/f"}, {"crc2", "c"}, {"attachId", "1"}},
          FB::VariantMap{}}) {
        EXPECT_TRUE(manager()
                        ->Invoke("resume_netfolder", {options(members)})
                        .cast<FB::VariantList>()
                        .empty());
    }
    EXPECT_TRUE(manager()->Invoke("resume_netfolder", {}).cast<FB::VariantList>().empty());
    EXPECT_EQ(manager()->GetProperty("size").cast<unsigned long>(), 0u);
}

TEST_F(TUploadManagerTest, ShutdownStopsEveryItemButStillTakesFiles) {
    root->addFile(L"/tmp/x");
    root->Invoke("shutdown", {});
    EXPECT_EQ(item(0)->GetProperty("state").cast<int>(), TUploadItem::STATE_STOPPED);
    auto adder = root->getAddFileInterface().lock();
    ASSERT_TRUE(adder);
    EXPECT_EQ(adder->addItem(L"/tmp/captured"), 1u);
}
