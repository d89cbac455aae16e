#include "plugin/download/TDownloadManager.h"

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/download/DownloadFixture.h"

namespace {

class TDownloadManagerTest : public DownloadFixture {
protected:
    unsigned long choose(const std::string& path) {
        std::filesystem::create_directories(path);
        env.set("NV_FAKE_DIALOG_ANSWER", R"({"paths": [")" + path + R"("]})");
        return manager()->Invoke("createFolder", {L"Save to"}).convert_cast<unsigned long>();
    }
    std::string lastDialogStart() const {
        std::string log = read(dir + "/dialog.log");
        size_t start = log.rfind("\"start\": \"");
        return start == std::string::npos
                   ? "<none>"
                   : log.substr(start + 10, log.find('"', start + 10) - start - 10);
    }
};

} // namespace

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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3)
        << "nothing beside inbox but the settings and the dialog log";
}

TEST_F(TDownloadManagerTest, AddNeedsAnAddressOrContentAndAKnownFolder) {
    unsigned long folderId = choose(dir + "/one");
    EXPECT_EQ(add({{"name", L"n"}}), 0u);
    EXPECT_EQ(add({{"content", "x"}, {"name", L"n"}, {"folder", folderId + 2}}), 0u);
    EXPECT_EQ(manager()->Invoke("add", {}).convert_cast<unsigned long>(), 0u);
    EXPECT_EQ(manager()->GetProperty("count").convert_cast<unsigned long>(), 0u);
    EXPECT_EQ(add({{"url", "http://mail/f"}, {"name", L"n"}, {"size", 5368709120ULL}}), 1u);
    EXPECT_EQ(item(1)->GetProperty("size_str").convert_cast<std::string>(), "5368709120");
    EXPECT_EQ(manager()->GetProperty("size").convert_cast<unsigned long>(), 1u);
    EXPECT_TRUE(manager()->Invoke("item", {0}).is_null());
    EXPECT_TRUE(manager()->Invoke("item", {2}).is_null());
}

TEST_F(TDownloadManagerTest, ChosenFoldersKeepTheirIdsAndTheLastOneOutlivesTheBrowser) {
    EXPECT_EQ(choose(dir + "/a"), 1u);
    EXPECT_EQ(choose(dir + "/b"), 2u);
    EXPECT_EQ(choose(dir + "/a"), 1u);
    env.set("NV_FAKE_DIALOG_ANSWER", R"({"cancel": true})");
    EXPECT_EQ(manager()->Invoke("createFolder", {L"t"}).convert_cast<unsigned long>(), 0u);
    EXPECT_EQ(lastDialogStart(), dir + "/a/");
    EXPECT_NE(read(dir + "/settings").find("DownloadLastFolder="), std::string::npos);

    restart();
    EXPECT_EQ(manager()->Invoke("createFolder", {L"t"}).convert_cast<unsigned long>(), 0u);
    EXPECT_EQ(lastDialogStart(), dir + "/a/");
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
