// Character classes that every MIME parsing and encoding rule is written in: one flag byte per
// 7-bit character. Bytes with the high bit set belong to no class, so 8-bit text never counts as
// space, special or hex digit.
// Thread contract: immutable; may be used from any thread.
#pragma once

#include <array>

class CMimeChar {
public:
    enum Flag : unsigned char {
        Control = 1,      // 0x00-0x1F and 0x7F
        Space = 2,        // HT, LF, VT, FF, CR, SP: CR and LF count as space everywhere
        Alnum = 4,        // 0-9, A-Z, a-z
        Punctuation = 16, // printable, not alphanumeric, not SP
        Special = 32,     // " ( ) , . : ; < = > @ [ \ ]
        HexDigit = 64,    // 0-9 and upper-case A-F only
    };

    static bool Is(char c, Flag flag) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 128 && (m_aCharTbl[byte] & flag) != 0;
    }
    static bool IsSpace(char c) { return Is(c, Space); }
    static bool IsSpecial(char c) { return Is(c, Special); }
    static bool IsHexDigit(char c) { return Is(c, HexDigit); }
    static bool IsAlnum(char c) { return Is(c, Alnum); }
    static bool IsHighBit(char c) { return static_cast<unsigned char>(c) >= 128; }
    // SP or HT: the blanks that continue a folded header line.
    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

    // Indexed by a 7-bit character; the flags of its classes.
    static const std::array<unsigned char, 128> m_aCharTbl;
};
