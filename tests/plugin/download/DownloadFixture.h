// DownloadFixture: the download manager as the page reaches it (through the root object of a real
// plug-in object), a scripted web server serving files from memory, the stand-in folder dialog, a
// recording notify function, and a sandbox that is also TMPDIR.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "plugin/application/NVPluginAPI.h"
#include "plugin/download/TDownloadItem.h"
#include "src/ScriptingCore/URI.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBrowserHost.h"

using Note = std::tuple<int, int, unsigned long>;

class DownloadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("TMPDIR", dir);
        env.set("NV_DIALOG_PROGRAM", FAKE_DIALOG);
        env.set("NV_FAKE_DIALOG_LOG", dir + "/dialog.log");
        env.unset("NV_FAKE_DIALOG_ANSWER");
        notify = nvtest::FakeJSObject::function(host, [this](const FB::VariantList& args) {
            notes.emplace_back(args[0].convert_cast<int>(), args[1].convert_cast<int>(),
                               args[2].convert_cast<unsigned long>());
            return FB::variant();
        });
        // Serves files[path] from the offset in "pos" (0 when absent).
        host->server().setHandler([this](const nvtest::RecordedRequest& request) {
            FB::URI uri(request.url);
            nvtest::ScriptedResponse response;
            response.body = files[uri.path];
            for (const auto& [name, value] : uri.query_data) {
                if (name == "pos") {
                    response.body.erase(0, std::stoull(value));
                }
            }
            response.piece = 1000;
            return response;
        });
        restart();
    }
    void TearDown() override { host->shutdown(); }

    // A new plug-in object on the same settings file, as after a browser restart.
    void restart() {
        plugin = boost::make_shared<NVPlugin>();
        plugin->SetHost(host);
        plugin->setSettingsPath(dir + "/settings");
        root = boost::dynamic_pointer_cast<NVPluginAPI>(plugin->getRootJSAPI());
    }
    FB::JSAPIPtr manager() { return root->Invoke("download", {}).cast<FB::JSAPIPtr>(); }
    unsigned long add(FB::VariantMap options) {
        options.emplace("notify", FB::JSObjectPtr(notify));
        return manager()
            ->Invoke("add", {FB::JSObjectPtr(nvtest::FakeJSObject::object(host, options))})
            .convert_cast<unsigned long>();
    }
    boost::shared_ptr<TDownloadItem> item(unsigned long number) {
        return boost::dynamic_pointer_cast<TDownloadItem>(
            manager()->Invoke("item", {number}).convert_cast<FB::JSAPIPtr>());
    }
    // Until the item has ended and the page has heard of it (extraction runs on a worker).
    void runUntilDone(const boost::shared_ptr<TDownloadItem>& download) {
        ASSERT_TRUE(host->pumpUntil([&] {
            int state = download->getState();
            return (state == 4 || state == 6) && !notes.empty() &&
                   std::get<0>(notes.back()) == state && host->queued() == 0;
        }));
    }
    // The manager's own folder (folder id 0): the one "nvdownload" folder in the sandbox.
    std::string temporaryFolder() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().filename().string().rfind("nvdownload", 0) == 0) {
                return entry.path().string() + "/";
            }
        }
        return "<none>";
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return in ? text.str() : "<missing>";
    }

    ScopedEnvironment env;
    TempFolder folder{"download"};
    const std::string dir = folder.path;
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    boost::shared_ptr<NVPlugin> plugin;
    boost::shared_ptr<NVPluginAPI> root;
    nvtest::FakeJSObjectPtr notify;
    std::vector<Note> notes;
    std::map<std::string, std::string> files;
};
