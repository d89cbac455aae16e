#include "plugin/platform/OpenFile.h"

#include "plugin/platform/ChildProcess.h"
#include "src/ScriptingCore/utf8_tools.h"

void openFileInWindow(const std::wstring& path) {
    std::string native;
    try {
        native = FB::wstring_to_utf8(path);
    } catch (const std::exception&) {
        return;
    }
    if (native.empty()) {
        return;
    }
    // xdg-open takes a leading "-" for an option of its own; an absolute path cannot start so,
    // and a relative one is made unambiguous.
    if (native[0] == '-') {
        native = "./" + native;
    }
    NVPlatform::startDetached({"xdg-open", native});
}
