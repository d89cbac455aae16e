// Conversions between wide strings (one code point per wchar_t) and UTF-8.
// Pure functions; callable from any thread.
#pragma once

#include <string>

namespace FB {

// Throws the UTF-8 library's own errors: utf8::invalid_code_point for a surrogate or a value above
// U+10FFFF ("Invalid code point").
std::string wstring_to_utf8(const std::wstring& src);

// Throws utf8::invalid_utf8 ("Invalid UTF-8") for an invalid or overlong sequence,
// utf8::not_enough_room ("Not enough space") when the text ends inside a sequence, and
// utf8::invalid_code_point for an encoded surrogate.
std::wstring utf8_to_wstring(const std::string& src);

} // namespace FB
