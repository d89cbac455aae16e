#include "projects/uninstall/Texts.h"

#include <clocale>
#include <libintl.h>

namespace NVUninstall {
namespace {

constexpr char kDomain[] = "nvplugin-uninstall";

} // namespace

void useCatalogue(const std::string& localeFolder) {
    std::setlocale(LC_ALL, "");
    bindtextdomain(kDomain, localeFolder.c_str());
    // The dialog programs are given UTF-8 whatever the locale's character set is.
    bind_textdomain_codeset(kDomain, "UTF-8");
}

std::string localized(const char* key) {
    return dgettext(kDomain, key);
}

std::string fill(const std::string& format, const std::vector<std::string>& values) {
    std::string text;
    size_t start = 0;
    for (const std::string& value : values) {
        size_t marker = format.find("%@", start);
        if (marker == std::string::npos) {
            break;
        }
        text.append(format, start, marker - start).append(value);
        start = marker + 2;
    }
    return text.append(format, start, std::string::npos);
}

} // namespace NVUninstall
