// Charsets: conversions between wide strings and byte strings in named character sets, through
// glibc's iconv, which knows the IANA names the callers use ("UTF-8", "gb18030", ...).
//
// Thread contract: callable from any thread; every call opens its own converter.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Encodes `text` in `charset`. Returns a new buffer of length + 1 bytes whose last byte is 0, and
// sets `length` to the number of encoded bytes. An unknown character set, or text that the
// character set cannot hold (or that is not valid Unicode), gives length 0 and a buffer holding
// only the 0. Doesn't throw, except std::bad_alloc.
std::unique_ptr<char[]> convertString(const std::wstring& text, const std::string& charset,
                                      std::size_t& length);

// Decodes `bytes` as GB 18030 into `text`, replacing what was there. Bytes that are not valid
// GB 18030, or that end inside a character, give an empty `text`. Doesn't throw, except
// std::bad_alloc.
void gbk2wstring(const std::string& bytes, std::wstring& text);
