#include "plugin/mime/MimeChar.h"

namespace {

constexpr std::array<unsigned char, 128> MakeTable() {
    std::array<unsigned char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        unsigned char flags = 0;
        if (c < 0x20 || c == 0x7F)
            flags |= CMimeChar::Control;
        if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ')
            flags |= CMimeChar::Space;
        const bool digit = c >= '0' && c <= '9';
        const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (digit || alpha)
            flags |= CMimeChar::Alnum;
        if (c > ' ' && c < 0x7F && !digit && !alpha)
            flags |= CMimeChar::Punctuation;
        for (const char* special = "\"(),.:;<=>@[\\]"; *special != '\0'; ++special)
            if (*special == c)
                flags |= CMimeChar::Special;
        if (digit || (c >= 'A' && c <= 'F'))
            flags |= CMimeChar::HexDigit;
        table[c] = flags;
    }
    return table;
}

} // namespace

// Constant-initialised, so it is ready before any static constructor could parse mail.
const std::array<unsigned char, 128> CMimeChar::m_aCharTbl = MakeTable();
