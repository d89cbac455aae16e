#include "plugin/platform/Dialogs.h"

#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/platform/FakeDialog.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace {

using Paths = std::vector<std::wstring>;

class DialogsTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        dialog = std::make_unique<FakeDialog>(environment, dir, GetParam());
        setLocale("en_US.UTF-8");
    }

    void setLocale(const std::string& locale) {
        environment.unset("LC_ALL");
        environment.unset("LC_MESSAGES");
        environment.set("LANG", locale);
    }

    ScopedEnvironment environment;
    TempFolder folder{"nvdialog"};
    const std::string dir = folder.path;
    std::unique_ptr<FakeDialog> dialog;
};

std::string text(const FakeDialog::Request& request, const char* key) {
    return request.get<std::string>(key, "<missing>");
}

// The starting folder, which may or may not end in a separator.
std::string start(const FakeDialog::Request& request) {
    std::string folder = text(request, "start");
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

} // namespace

TEST_P(DialogsTest, OpenDialogAppendsEveryChosenFileInOrder) {
    setLocale("zh_TW.UTF-8");
    dialog->answer(R"({"paths": ["/data/one.txt", "/data/two words.txt"]})");
    Paths paths = {L"/kept"};
    EXPECT_TRUE(browser(nullptr, L"*.txt", false, paths));
    EXPECT_EQ(paths, (Paths{L"/kept", L"/data/one.txt", L"/data/two words.txt"}));
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "kind"), "open");
    EXPECT_EQ(text(asked, "title"), u8"選擇文檔");
    EXPECT_EQ(text(asked, "multiple"), "true");
}

TEST_P(DialogsTest, SingleSelectionNeverAddsMoreThanOneEntry) {
    dialog->answer(R"({"exit": 0, "stdout": "/data/a\n/data/b\n"})");
    Paths paths;
    EXPECT_TRUE(browser(nullptr, L"", true, paths));
    EXPECT_EQ(paths.size(), 1u);
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "title"), "Open files");
    EXPECT_EQ(text(asked, "multiple"), "false");
}

TEST_P(DialogsTest, CancelledOpenDialogLeavesTheListAndItsResult) {
    Paths empty;
    EXPECT_FALSE(browser(nullptr, L"", false, empty));
    EXPECT_TRUE(empty.empty());
    Paths filled = {L"/kept"};
    EXPECT_TRUE(browser(nullptr, L"", false, filled));
    EXPECT_EQ(filled, Paths{L"/kept"});
}

TEST_P(DialogsTest, ChosenLinksAreResolvedAndNamesThatAreNotTextDropped) {
    std::filesystem::create_directory(dir + "/real");
    std::ofstream(dir + "/real/file.txt") << "x";
    std::filesystem::create_symlink(dir + "/real/file.txt", dir + "/alias.txt");
    dialog->answer(R"({"paths": [")" + dir + R"(/alias.txt", "/data/\udcff.txt", "/data/b"]})");
    Paths paths;
    EXPECT_TRUE(browser(nullptr, L"", false, paths));
    EXPECT_EQ(paths, (Paths{FB::utf8_to_wstring(dir + "/real/file.txt"), L"/data/b"}));
}

TEST_P(DialogsTest, SaveDialogFillsThePathOnlyWhenConfirmed) {
    setLocale("zh_CN.UTF-8");
    dialog->answer(R"({"paths": ["/data/new file.eml"]})");
    std::wstring path;
    EXPECT_TRUE(selectSaveFile(nullptr, L"suggested.eml", path));
    EXPECT_EQ(path, L"/data/new file.eml");
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "kind"), "save");
    EXPECT_EQ(text(asked, "title"), u8"保存文件");

    dialog->answer(R"({"cancel": true})");
    EXPECT_TRUE(selectSaveFile(nullptr, L"", path));
    EXPECT_EQ(path, L"/data/new file.eml");
    std::wstring empty;
    EXPECT_FALSE(selectSaveFile(nullptr, L"", empty));
    EXPECT_TRUE(empty.empty());
}

TEST_P(DialogsTest, FolderDialogEndsTheChosenFolderWithASeparator) {
    dialog->answer(R"({"paths": ["/data/Downloads"]})");
    std::wstring path;
    EXPECT_TRUE(selectSaveFolder(nullptr, L"选择下载目录", L"file:///data/my%20folder+x", path));
    EXPECT_EQ(path, L"/data/Downloads/");
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "kind"), "folder");
    EXPECT_EQ(text(asked, "title"), u8"选择下载目录");
    EXPECT_EQ(start(asked), "/data/my folder+x");

    dialog->answer(R"({"paths": ["/data/Downloads/"]})");
    EXPECT_TRUE(selectSaveFolder(nullptr, L"t", L"/plain/path", path));
    EXPECT_EQ(path, L"/data/Downloads/");
    EXPECT_EQ(start(dialog->only()), "/plain/path");

    dialog->answer(R"({"cancel": true})");
    std::wstring empty;
    EXPECT_FALSE(selectSaveFolder(nullptr, L"t", L"http://host/x", empty));
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(start(dialog->only()), "");
}

TEST_P(DialogsTest, QuestionOffersNoAsDefaultAndYesAsTheOnlyTrueAnswer) {
    const std::wstring message = L"Open <b>a&b.txt</b>?\n    /tmp/a&b.txt";
    dialog->answer(R"({"button": "Yes"})");
    EXPECT_TRUE(confirmDlg(nullptr, message, L"Query"));
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "kind"), "question");
    EXPECT_EQ(text(asked, "title"), "Query");
    EXPECT_EQ(text(asked, "text"), FB::wstring_to_utf8(message));
    EXPECT_EQ(text(asked, "yes"), "Yes");
    EXPECT_EQ(text(asked, "no"), "No");
    EXPECT_EQ(text(asked, "default"), "No");
    if (GetParam() == "zenity") {
        EXPECT_EQ(text(asked, "markup"), "false");
    }
    for (const char* answer :
         {R"({"button": "No"})", R"({"button": "default"})", R"({"cancel": true})"}) {
        dialog->answer(answer);
        EXPECT_FALSE(confirmDlg(nullptr, message, L"Query")) << answer;
    }
}

TEST_P(DialogsTest, TextsThatAreNotValidUnicodeStillReachTheDialog) {
    dialog->answer(R"({"button": "Yes"})");
    EXPECT_TRUE(confirmDlg(nullptr, std::wstring(L"bad ") + wchar_t(0xD800) + L" end", L"Query"));
    EXPECT_EQ(text(dialog->only(), "text"), u8"bad \uFFFD end");
}

TEST_P(DialogsTest, TheProgramReadsItsUtf8TextsAsUtf8UnderAnyLocale) {
    environment.unset("LC_CTYPE");
    setLocale("C.UTF-8");
    confirmDlg(nullptr, L"中文", L"t");
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "locale.LC_CTYPE"), "null");

    setLocale("C");
    confirmDlg(nullptr, L"中文", L"t");
    asked = dialog->only();
    EXPECT_EQ(text(asked, "locale.LC_CTYPE"), "C.UTF-8");
    EXPECT_EQ(text(asked, "locale.LANG"), "C");

    // Not installed anywhere: the program would run in ASCII whatever LC_CTYPE says.
    setLocale("xx_XX.UTF-8");
    confirmDlg(nullptr, L"中文", L"t");
    asked = dialog->only();
    EXPECT_EQ(text(asked, "locale.LC_ALL"), "C.UTF-8");

    // LC_ALL would override the character type; its language moves to LC_MESSAGES.
    environment.set("LC_ALL", "POSIX");
    environment.set("LC_MESSAGES", "C.UTF-8");
    confirmDlg(nullptr, L"中文", L"t");
    asked = dialog->only();
    EXPECT_EQ(text(asked, "locale.LC_ALL"), "null");
    EXPECT_EQ(text(asked, "locale.LC_MESSAGES"), "POSIX");
    EXPECT_EQ(text(asked, "locale.LC_CTYPE"), "C.UTF-8");
}

INSTANTIATE_TEST_SUITE_P(CommandLines, DialogsTest, ::testing::Values("zenity", "kdialog"));

class DialogProgramChoice : public ::testing::Test {
protected:
    void SetUp() override {
        environment.unset("NV_DIALOG_PROGRAM");
        environment.set("NV_FAKE_DIALOG_LOG", dir + "/dialog-log.jsonl");
        environment.set("NV_FAKE_DIALOG_ANSWER", R"({"paths": ["/data/x"]})");
        // Only our folder: the machine's own zenity must not be found.
        environment.set("PATH", dir);
    }

    void install(const std::string& name) {
        std::filesystem::create_symlink(NV_FAKE_DIALOG, dir + "/" + name);
    }
    std::string usedProgram() {
        std::ifstream log(dir + "/dialog-log.jsonl");
        std::string line;
        std::getline(log, line);
        std::filesystem::remove(dir + "/dialog-log.jsonl");
        return line.find(R"("program": "kdialog")") != std::string::npos  ? "kdialog"
               : line.find(R"("program": "zenity")") != std::string::npos ? "zenity"
                                                                          : "none";
    }

    ScopedEnvironment environment;
    TempFolder folder{"nvdialog"};
    const std::string dir = folder.path;
};

TEST_F(DialogProgramChoice, ZenityIsPreferredAndKdialogTakesOverWhenAlone) {
    std::wstring path;
    install("kdialog");
    EXPECT_TRUE(selectSaveFile(nullptr, L"", path));
    EXPECT_EQ(usedProgram(), "kdialog");
    install("zenity");
    EXPECT_TRUE(selectSaveFile(nullptr, L"", path));
    EXPECT_EQ(usedProgram(), "zenity");
}

TEST_F(DialogProgramChoice, WithoutAnyProgramEveryDialogCountsAsCancelled) {
    Paths paths;
    std::wstring path;
    EXPECT_FALSE(browser(nullptr, L"", false, paths));
    EXPECT_FALSE(selectSaveFolder(nullptr, L"t", L"", path));
    EXPECT_FALSE(confirmDlg(nullptr, L"m", L"t"));
    environment.set("NV_DIALOG_PROGRAM", dir + "/missing");
    EXPECT_FALSE(selectSaveFile(nullptr, L"", path));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(usedProgram(), "none");
}
