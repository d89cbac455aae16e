#include "plugin/download/TFolderMap.h"

#include <sys/stat.h>

#include "src/ScriptingCore/utf8_tools.h"

namespace {

// lstat rather than access: a dangling link is taken, so it must not look free. A name that
// cannot be looked up at all is offered as free; creating it then reports the real error.
bool exists(const std::wstring& path) {
    std::string native;
    try {
        native = FB::wstring_to_utf8(path);
    } catch (const std::exception&) {
        return false;
    }
    struct stat info;
    return lstat(native.c_str(), &info) == 0;
}

} // namespace

std::wstring TFolderMap::findFolder(const std::wstring& path) {
    auto known = m_folders.find(path);
    if (known != m_folders.end()) {
        return known->second;
    }
    std::wstring candidate = path;
    for (unsigned long suffix = 1; exists(candidate); ++suffix) {
        candidate = path + L"." + std::to_wstring(suffix);
    }
    m_folders.emplace(path, candidate);
    return candidate;
}
