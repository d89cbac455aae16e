#include "src/ScriptingCore/utf8_tools.h"

#include <iterator>

#include <utf8cpp/utf8.h>

namespace FB {

std::string wstring_to_utf8(const std::wstring& src) {
    std::string out;
    out.reserve(src.size());
    for (wchar_t ch : src) {
        utf8::append(static_cast<utf8::uint32_t>(ch), std::back_inserter(out));
    }
    return out;
}

std::wstring utf8_to_wstring(const std::string& src) {
    std::wstring out;
    out.reserve(src.size());
    auto it = src.begin();
    while (it != src.end()) {
        out.push_back(static_cast<wchar_t>(utf8::next(it, src.end())));
    }
    return out;
}

} // namespace FB
