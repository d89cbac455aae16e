#include "plugin/download/DownloadNames.h"

#include <algorithm>

namespace {

const std::wstring kTemporarySuffix = L".nvtmp";

bool endsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool makeDownloadName(std::wstring& name, bool mayBeEmpty) {
    std::replace_if(
        name.begin(), name.end(), [](wchar_t c) { return c == L'/' || c == L'\\' || c == L':'; },
        L'_');
    if (name.empty()) {
        return mayBeEmpty;
    }
    return name != L"." && name != L".." && name.find(L'\0') == std::wstring::npos;
}

std::wstring finalDownloadName(const std::wstring& name) {
    return endsWith(name, kTemporarySuffix) ? name + L".1" : name;
}

std::wstring temporaryDownloadPath(const std::wstring& finalPath) {
    return finalPath + kTemporarySuffix;
}
