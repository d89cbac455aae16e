#include "plugin/platform/MimeTypes.h"

#include <fstream>
#include <sstream>
#include <unordered_map>

namespace {

using ExtensionTable = std::unordered_map<std::string, std::string>;

// Lines are "type ext ext ..."; an extension listed under several types keeps the first, which is
// how the file orders preference.
ExtensionTable readTable(const char* fileName) {
    ExtensionTable table;
    std::ifstream file(fileName);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream words(line);
        std::string type;
        std::string extension;
        words >> type;
        while (words >> extension) {
            table.emplace(extension, type);
        }
    }
    return table;
}

const ExtensionTable& extensionTable() {
    static const ExtensionTable table = readTable("/etc/mime.types");
    return table;
}

// The extension as the table spells it: ASCII lower case. Anything else cannot be in the table.
bool extensionOf(const std::wstring& path, std::string& extension) {
    size_t nameStart = path.rfind(L'/');
    nameStart = nameStart == std::wstring::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot <= nameStart || dot + 1 == path.size()) {
        return false;
    }
    extension.clear();
    for (size_t i = dot + 1; i < path.size(); ++i) {
        wchar_t ch = path[i];
        if (ch <= 0 || ch >= 0x80) {
            return false;
        }
        extension += static_cast<char>(ch >= L'A' && ch <= L'Z' ? ch - L'A' + L'a' : ch);
    }
    return true;
}

} // namespace

bool findFileMimeType(const std::wstring& path, std::string& mimeType) {
    mimeType.clear();
    std::string extension;
    if (!extensionOf(path, extension)) {
        return false;
    }
    const ExtensionTable& table = extensionTable();
    auto found = table.find(extension);
    if (found != table.end()) {
        mimeType = found->second;
    }
    return !mimeType.empty();
}
