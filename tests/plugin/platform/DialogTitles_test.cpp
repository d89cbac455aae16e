#include "plugin/platform/DialogTitles.h"

#include <gtest/gtest.h>

#include "tests/support/ScopedEnvironment.h"

namespace {

struct LocaleCase {
    const char* all;
    const char* messages;
    const char* lang;
    const char* openTitle;
    const char* saveTitle;
};

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
        const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
        const char* values[] = {locale.all, locale.messages, locale.lang};
        for (int i = 0; i < 3; ++i) {
            if (values[i]) {
                environment.set(names[i], values[i]);
            } else {
                environment.unset(names[i]);
            }
        }
        std::string described = std::string(locale.all ? locale.all : "-") + " " +
                                (locale.messages ? locale.messages : "-") + " " +
                                (locale.lang ? locale.lang : "-");
        EXPECT_EQ(NVPlatform::openFilesTitle(), locale.openTitle) << described;
        EXPECT_EQ(NVPlatform::saveFileTitle(), locale.saveTitle) << described;
    }
}
