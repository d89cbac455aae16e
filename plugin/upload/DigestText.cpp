#include "plugin/upload/DigestText.h"

#include <cstdint>

namespace checksum {

std::string lowerHex(const unsigned char* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

std::string base64(const unsigned char* bytes, size_t count) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((count + 2) / 3 * 4);
    for (size_t i = 0; i < count; i += 3) {
        const size_t available = count - i < 3 ? count - i : 3;
        uint32_t group = uint32_t{bytes[i]} << 16;
        if (available > 1)
            group |= uint32_t{bytes[i + 1]} << 8;
        if (available > 2)
            group |= bytes[i + 2];
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 0x3f];
        text += available > 1 ? kAlphabet[(group >> 6) & 0x3f] : '=';
        text += available > 2 ? kAlphabet[group & 0x3f] : '=';
    }
    return text;
}

} // namespace checksum
