#include "plugin/platform/Dialogs.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "plugin/platform/DialogTitles.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/platform/FakeDialog.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace {

using Paths = std::vector<std::wstring>;

struct LocaleCase {
    const char* all;
    const char* messages;
    const char* lang;
    const char* openTitle;
    const char* saveTitle;
};

// Sets LC_ALL, LC_MESSAGES and LANG, unsetting those given as null; returns them as text.
std::string setLocale(ScopedEnvironment& environment, const char* all, const char* messages,
                      const char* lang) {
    const std::pair<const char*, const char*> variables[] = {
        {"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}};
    std::string described;
    for (const auto& [name, value] : variables) {
        if (value) {
            environment.set(name, value);
        } else {
            environment.unset(name);
        }
        described += std::string(value ? value : "-") + " ";
    }
    return described;
}

class DialogsTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        dialog = std::make_unique<FakeDialog>(environment, dir, GetParam());
        environment.unset("LC_CTYPE");
        setLocale(environment, nullptr, nullptr, "en_US.UTF-8");
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

TEST(DialogTitles, TheFirstLocaleSetAmongLcAllLcMessagesAndLangChoosesTheTitles) {
    const LocaleCase cases[] = {
        {nullptr, nullptr, "zh_TW.UTF-8", u8"選擇文檔", u8"保存文檔"},
        {nullptr, nullptr, "zh_HK.Big5", u8"選擇文檔", u8"保存文檔"},
        {nullptr, nullptr, "zh_CN.GB18030", u8"选择文件", u8"保存文件"},
        {nullptr, nullptr, "en_US.UTF-8", "Open files", "Save file"},
        {nullptr, nullptr, nullptr, "Open files", "Save file"},
        {nullptr, nullptr, "zh_SG.UTF-8", "Open files", "Save file"},
        {"en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", "Open files", "Save file"},
        {"", "zh_TW.UTF-8", "en_US.UTF-8", u8"選擇文檔", u8"保存文檔"},
        {"", "", "zh_CN", u8"选择文件", u8"保存文件"},
        {"C", nullptr, "zh_CN.UTF-8", "Open files", "Save file"},
    };
    for (const LocaleCase& locale : cases) {
        ScopedEnvironment environment;
        const std::string described =
            setLocale(environment, locale.all, locale.messages, locale.lang);
        EXPECT_EQ(NVPlatform::openFilesTitle(), locale.openTitle) << described;
        EXPECT_EQ(NVPlatform::saveFileTitle(), locale.saveTitle) << described;
    }
}

TEST_P(DialogsTest, OpenDialogAppendsTheChosenFilesThatAreText) {
    std::filesystem::create_directory(dir + "/real");
    std::ofstream(dir + "/real/file.txt") << "x";
    std::filesystem::create_symlink(dir + "/real/file.txt", dir + "/alias.txt");
    struct Case {
        bool single;
        std::string answer;
        Paths before;
        Paths after;
    };
    const Case cases[] = {
        // A single choice is taken whole.
        {true, R"({"exit": 0, "stdout": "/data/a\n/data/b\n"})", {}, {L"/data/a\n/data/b"}},
        // Appended in order; links are resolved; a name that is not UTF-8 is dropped.
        {false,
         R"({"paths": [")" + dir + R"(/alias.txt", "/data/\udcff.txt", "/data/two words"]})",
         {L"/kept"},
         {L"/kept", FB::utf8_to_wstring(dir + "/real/file.txt"), L"/data/two words"}},
        {false, R"({"cancel": true})", {L"/kept"}, {L"/kept"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        dialog->answer(c.answer);
        Paths paths = c.before;
        EXPECT_EQ(browser(nullptr, L"*.txt", c.single, paths), !c.after.empty());
        EXPECT_EQ(paths, c.after);
        FakeDialog::Request asked = dialog->only();
        EXPECT_EQ(text(asked, "kind"), "open");
        EXPECT_EQ(text(asked, "title"), "Open files");
        EXPECT_EQ(text(asked, "multiple"), c.single ? "false" : "true");
    }
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
    // Markup characters stay text; one character that is not Unicode loses no more than itself.
    const std::wstring message =
        std::wstring(L"Open <b>a&b.txt</b>?\n    /tmp/a&b.txt ") + wchar_t(0xD800);
    dialog->answer(R"({"button": "Yes"})");
    EXPECT_TRUE(confirmDlg(nullptr, message, L"Query"));
    FakeDialog::Request asked = dialog->only();
    EXPECT_EQ(text(asked, "kind"), "question");
    EXPECT_EQ(text(asked, "title"), "Query");
    EXPECT_EQ(text(asked, "text"), u8"Open <b>a&b.txt</b>?\n    /tmp/a&b.txt \uFFFD");
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

TEST_P(DialogsTest, TheProgramReadsItsUtf8TextsAsUtf8UnderAnyLocale) {
    // LC_ALL, LC_MESSAGES and LANG as set, then LC_ALL, LC_MESSAGES, LC_CTYPE and LANG as the
    // program gets them. A locale that is not installed (xx_XX) runs the program in ASCII whatever
    // LC_CTYPE says; LC_ALL would override the character type, so its language moves to
    // LC_MESSAGES.
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        const char* seen;
    };
    const Case cases[] = {
        {nullptr, nullptr, "C.UTF-8", "null null null C.UTF-8"},
        {nullptr, nullptr, "C", "null null C.UTF-8 C"},
        {nullptr, nullptr, "xx_XX.UTF-8", "C.UTF-8 null null xx_XX.UTF-8"},
        {"POSIX", "C.UTF-8", "xx_XX.UTF-8", "null POSIX C.UTF-8 xx_XX.UTF-8"},
    };
    for (const Case& c : cases) {
        setLocale(environment, c.all, c.messages, c.lang);
        confirmDlg(nullptr, L"中文", L"t");
        FakeDialog::Request asked = dialog->only();
        std::string seen;
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LANG"}) {
            seen +=
                (seen.empty() ? "" : " ") + text(asked, (std::string("locale.") + name).c_str());
        }
        EXPECT_EQ(seen, c.seen) << c.lang;
    }
}

INSTANTIATE_TEST_SUITE_P(CommandLines, DialogsTest, ::testing::Values("zenity", "kdialog"));

TEST(DialogProgramChoice, ZenityIsPreferredKdialogTakesOverWhenAloneAndNoneMeansCancelled) {
    ScopedEnvironment environment;
    TempFolder folder{"nvdialog"};
    // Only our folder: the machine's own zenity must not be found.
    environment.set("PATH", folder.path);
    environment.unset("NV_DIALOG_PROGRAM");
    Paths paths;
    std::wstring path;
    EXPECT_FALSE(browser(nullptr, L"", false, paths));
    EXPECT_FALSE(selectSaveFolder(nullptr, L"t", L"", path));
    EXPECT_FALSE(confirmDlg(nullptr, L"m", L"t"));
    for (const char* program : {"kdialog", "zenity"}) {
        FakeDialog dialog(environment, folder.path, program);
        environment.unset("NV_DIALOG_PROGRAM");
        dialog.answer(R"({"paths": ["/data/x"]})");
        EXPECT_TRUE(selectSaveFile(nullptr, L"", path));
        EXPECT_EQ(dialog.only().get<std::string>("program"), program);
    }
    environment.set("NV_DIALOG_PROGRAM", folder.path + "/missing");
    std::wstring empty;
    EXPECT_FALSE(selectSaveFile(nullptr, L"", empty));
    EXPECT_TRUE(empty.empty());
}
