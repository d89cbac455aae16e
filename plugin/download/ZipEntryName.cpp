#include "plugin/download/ZipEntryName.h"

#include <cerrno>

#include "plugin/platform/Charsets.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

bool decodeUtf8(const std::string& bytes, std::wstring& text) {
    try {
        text = FB::utf8_to_wstring(bytes);
        return true;
    } catch (const std::exception&) {
        text.clear();
        return false;
    }
}

} // namespace

void fixpath(std::string& name) {
    for (char& ch : name) {
        if (ch == '/' || ch == '\\' || ch == ':') {
            ch = '_';
        }
    }
}

std::wstring changeCharset(const std::string& bytes, const std::string& charset) {
    std::wstring text;
    if (!charset.empty() && charset != "utf-8" && charset != "utf8") {
        gbk2wstring(bytes, text);
        if (text.empty()) {
            decodeUtf8(bytes, text);
        }
        return text;
    }
    if (!decodeUtf8(bytes, text)) {
        gbk2wstring(bytes, text);
    }
    return text;
}

ZipEntryName ZipEntryName::split(const std::string& name) {
    ZipEntryName parts;
    size_t separator = name.find_last_of("/\\");
    if (separator == std::string::npos) {
        parts.file = name;
        return parts;
    }
    parts.inFolder = true;
    parts.folder = name.substr(0, separator);
    parts.file = name.substr(separator + 1);
    return parts;
}

bool makeLocalName(std::string bytes, const std::string& charset, std::wstring& local) {
    fixpath(bytes);
    local = changeCharset(bytes, charset);
    if (local.empty()) {
        errno = bytes.empty() ? EINVAL : EILSEQ;
        return false;
    }
    // The decoders cannot make a "/" out of bytes that fixpath has cleaned, but this is the one
    // check that keeps every entry inside the destination, so it does not rely on them.
    if (local == L"." || local == L".." ||
        local.find_first_of(std::wstring(L"/\0", 2)) != std::wstring::npos) {
        errno = EINVAL;
        return false;
    }
    return true;
}
