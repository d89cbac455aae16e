#include "tools/nvmaild/QueryParams.h"

namespace nvmaild {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decode(std::string_view text, bool plusIsBlank) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsBlank) {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

} // namespace

std::string urlDecode(std::string_view text) {
    return decode(text, true);
}

std::string urlDecodePath(std::string_view text) {
    return decode(text, false);
}

std::string urlEncode(std::string_view text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0x0F];
        }
    }
    return encoded;
}

QueryParams QueryParams::parse(std::string_view text) {
    QueryParams params;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            const size_t equals = piece.find('=');
            if (equals == std::string_view::npos)
                params.m_pairs.emplace_back(urlDecode(piece), std::string());
            else
                params.m_pairs.emplace_back(urlDecode(piece.substr(0, equals)),
                                            urlDecode(piece.substr(equals + 1)));
        }
        start = end + 1;
    }
    return params;
}

QueryParams::Param QueryParams::get(std::string_view key) const {
    Param param;
    for (const auto& [name, value] : m_pairs) {
        if (name != key)
            continue;
        if (param.state == State::Present) {
            return Param{State::Repeated, std::string()};
        }
        param = Param{State::Present, value};
    }
    return param;
}

} // namespace nvmaild
