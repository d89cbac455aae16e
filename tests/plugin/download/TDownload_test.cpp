// The download manager and its items as the page reaches them (through the root object of a real
// plug-in object), with a scripted web server serving files from memory, the stand-in folder
// dialog, a recording notify function, and a sandbox that is also TMPDIR.
#include "plugin/download/TDownloadItem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/application/NVPlugin.h"
#include "plugin/application/NVPluginAPI.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/download/ZipWriter.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBrowserHost.h"

namespace {

using Note = std::tuple<int, int, unsigned long>;

class DownloadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("TMPDIR", dir);
        env.set("NV_DIALOG_PROGRAM", FAKE_DIALOG);
        env.unset("NV_FAKE_DIALOG_LOG");
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
        plugin->SetHost(host);
        plugin->setSettingsPath(dir + "/settings");
        root = boost::dynamic_pointer_cast<NVPluginAPI>(plugin->getRootJSAPI());
    }
    void TearDown() override { host->shutdown(); }

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
    // Starts item n and runs it until it has ended and the page has heard of it (extraction runs on
    // a worker).
    boost::shared_ptr<TDownloadItem> run(unsigned long number) {
        EXPECT_NE(number, 0u);
        auto download = item(number);
        download->Invoke("start", {});
        EXPECT_TRUE(host->pumpUntil([&] {
            int state = download->getState();
            return (state == 4 || state == 6) && !notes.empty() &&
                   std::get<0>(notes.back()) == state && host->queued() == 0;
        }));
        return download;
    }
    unsigned long choose(const std::string& path) {
        std::filesystem::create_directories(path);
        env.set("NV_FAKE_DIALOG_ANSWER", R"({"paths": [")" + path + R"("]})");
        return manager()->Invoke("createFolder", {L"Save to"}).convert_cast<unsigned long>();
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
    boost::shared_ptr<NVPlugin> plugin = boost::make_shared<NVPlugin>();
    boost::shared_ptr<NVPluginAPI> root;
    nvtest::FakeJSObjectPtr notify;
    std::vector<Note> notes;
    std::map<std::string, std::string> files;
    const std::string body = std::string(4500, 'a') + std::string(4500, 'b');
};

using TDownloadItemTest = DownloadFixture;
using TDownloadManagerTest = DownloadFixture;

} // namespace

TEST_F(TDownloadItemTest, AStoppedDownloadResumesIntoAnIdenticalFile) {
    files["/f/data.bin"] = body;
    unsigned long first =
        add({{"url", "http://mail/f/data.bin?id=3"}, {"name", L"d"}, {"resume", "pos"}});
    item(first)->Invoke("start", {});
    host->pumpUntil([&] { return item(first)->getDownloadSize() >= 3000; });
    item(first)->Invoke("stop", {});
    host->pump();
    EXPECT_EQ(item(first)->getLastErrorStr(), "User beak");
    std::string held = read(temporaryFolder() + "d.nvtmp");
    EXPECT_EQ(held, body.substr(0, 3000)) << "the bytes so far stay for the resume";

    notes.clear();
    auto second =
        run(add({{"url", "http://mail/f/data.bin?id=3"}, {"name", L"d"}, {"resume", "pos"}}));
    ASSERT_EQ(host->server().requests().size(), 2u);
    EXPECT_EQ(host->server().requests()[0].url, "http://mail/f/data.bin?id=3&pos=0");
    EXPECT_EQ(host->server().requests()[1].url, "http://mail/f/data.bin?id=3&pos=3000");
    EXPECT_EQ(read(temporaryFolder() + "d"), body);
    EXPECT_EQ(read(temporaryFolder() + "d.nvtmp"), "<missing>");
    EXPECT_EQ(notes.front(), Note(3, 44, 2)) << "counted from the whole file, not the rest";
    std::vector<int> percents;
    for (const Note& note : notes) {
        percents.push_back(std::get<1>(note));
    }
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) && percents.back() <= 100);
}

// A stream that ends before its announced length is a cut connection, not a whole file.
TEST_F(TDownloadItemTest, ABodyShorterThanAnnouncedFailsAndKeepsItsBytes) {
    nvtest::ScriptedResponse cut;
    cut.body = body.substr(0, 4000);
    cut.length = 9000;
    host->server().answerNext(cut);
    auto download = run(add({{"url", "http://mail/f/x"}, {"name", L"cut"}}));
    EXPECT_EQ(download->getLastErrorNum(), 5);
    EXPECT_EQ(download->getLastErrorStr(), "query net error");
    EXPECT_EQ(notes.back(), Note(6, 2, 1));
    EXPECT_EQ(read(temporaryFolder() + "cut.nvtmp"), body.substr(0, 4000));
    EXPECT_EQ(read(temporaryFolder() + "cut"), "<missing>");
}

TEST_F(TDownloadItemTest, AFullDiskEndsTheTransferWithTheSystemsText) {
    // Several writes long, so that the first failed one comes while the rest is still arriving.
    files["/f/data.bin"] = std::string(4 << 20, 'x');
    unsigned long number = add({{"url", "http://mail/f/data.bin"}, {"name", L"full"}});
    ASSERT_EQ(symlink("/dev/full", (temporaryFolder() + "full.nvtmp").c_str()), 0);
    auto download = run(number);
    EXPECT_EQ(download->getLastErrorNum(), 9);
    EXPECT_EQ(download->getLastErrorStr(), "(28)No space left on device");
    EXPECT_EQ(notes.back(), Note(6, 2, 1));
    ASSERT_GE(notes.size(), 2u);
    EXPECT_LT(std::get<1>(notes[notes.size() - 2]), 50) << "the transfer stops at the failed write";
    EXPECT_TRUE(std::filesystem::is_symlink(temporaryFolder() + "full.nvtmp"));
    EXPECT_EQ(read(temporaryFolder() + "full"), "<missing>");
}

TEST_F(TDownloadItemTest, ExtractionOutlivesTheManagerThatHeldTheItem) {
    ZipWriter zip;
    for (int entry = 0; entry < 300; ++entry) {
        zip.addFile("f" + std::to_string(entry), std::string(4096, 'x'), true);
    }
    files["/f/many.zip"] = zip.bytes();
    auto download =
        item(add({{"url", "http://mail/f/many.zip"}, {"name", L"many.zip"}, {"unzip", true}}));
    download->Invoke("start", {});
    ASSERT_TRUE(host->pumpUntil([&] { return download->getState() == 1; }));
    std::string folderPath = temporaryFolder();
    boost::weak_ptr<TDownloadItem> extracting = download;
    download.reset();
    root.reset(); // the manager with it
    plugin.reset();
    ASSERT_TRUE(host->pumpUntil([&] { return extracting.expired(); }));
    EXPECT_EQ(read(folderPath + "f299"), std::string(4096, 'x')) << "extracted to the end";
}

TEST_F(TDownloadManagerTest, ContentNamesStayInsideTheChosenFolder) {
    struct Case {
        const wchar_t* subfolder;
        const wchar_t* name;
        const char* stored; // relative to the folder; nullptr: refused
    };
    const Case cases[] = {
        {L"", L"a/b:c\\d.txt", "a_b_c_d.txt"},
        {L"x/y", L"f", "x_y/f"},
        {L"", L"x.nvtmp", "x.nvtmp.1"},
        {L"", L"..", nullptr},
        {L"", L".", nullptr},
        {L"..", L"f", nullptr},
        {L".", L"f", nullptr},
        {L"", L"", nullptr},
        {L"..", L"", nullptr},
    };
    unsigned long folderId = choose(dir + "/inbox");
    unsigned long expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(FB::wstring_to_utf8(c.subfolder) + "|" + FB::wstring_to_utf8(c.name));
        unsigned long number = add({{"content", "hello"},
                                    {"folder", folderId},
                                    {"subfolder", std::wstring(c.subfolder)},
                                    {"name", std::wstring(c.name)}});
        EXPECT_EQ(number, c.stored ? ++expected : 0);
        if (c.stored) {
            EXPECT_EQ(read(dir + "/inbox/" + c.stored), "hello");
            EXPECT_EQ(item(number)->getState(), 4);
        }
    }
    host->pump();
    EXPECT_TRUE(notes.empty()) << "content items do not notify";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2)
        << "nothing beside inbox but the settings";
}

// A folder id the page never got must not pick some other folder; sizes pass 32 bits.
TEST_F(TDownloadManagerTest, AddRefusesAnUnknownFolderAndKeepsLargeSizes) {
    unsigned long folderId = choose(dir + "/one");
    EXPECT_EQ(add({{"content", "x"}, {"name", L"n"}, {"folder", folderId + 2}}), 0u);
    EXPECT_EQ(add({{"url", "http://mail/f"}, {"name", L"n"}, {"size", 5368709120ULL}}), 1u);
    EXPECT_EQ(item(1)->GetProperty("size_str").convert_cast<std::string>(), "5368709120");
}

TEST_F(TDownloadManagerTest, TheRootKeepsOneManagerAndShutdownStopsItsItems) {
    EXPECT_EQ(manager(), manager());
    nvtest::ScriptedResponse held;
    held.hold = true;
    host->server().answerNext(held);
    unsigned long number = add({{"url", "http://mail/slow"}, {"name", L"s"}});
    item(number)->Invoke("start", {});
    host->pump();
    root->Invoke("shutdown", {});
    host->pump();
    EXPECT_EQ(item(number)->getState(), 6);
    EXPECT_EQ(item(number)->getLastErrorNum(), 2);
    EXPECT_EQ(manager()->GetProperty("count").convert_cast<unsigned long>(), 1u);
}
