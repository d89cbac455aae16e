#include "plugin/platform/DialogTitles.h"

#include <cstdlib>

namespace NVPlatform {
namespace {

const char* const kOpenTitles[] = {"Open files", "选择文件", "選擇文檔"};
const char* const kSaveTitles[] = {"Save file", "保存文件", "保存文檔"};

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

int localeTitleIndex() {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    if (startsWith(locale, "zh_CN")) {
        return 1;
    }
    if (startsWith(locale, "zh_TW") || startsWith(locale, "zh_HK")) {
        return 2;
    }
    return 0;
}

std::string openFilesTitle() {
    return kOpenTitles[localeTitleIndex()];
}

std::string saveFileTitle() {
    return kSaveTitles[localeTitleIndex()];
}

} // namespace NVPlatform
