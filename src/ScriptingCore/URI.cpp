#include "src/ScriptingCore/URI.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/lexical_cast.hpp>

namespace FB {

namespace {
bool is_unreserved(unsigned char ch) {
    static const std::string extra = "!$'()*,-./_";
    return std::isalnum(ch) || extra.find(static_cast<char>(ch)) != std::string::npos;
}

int hex_value(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    return -1;
}
} // namespace

std::string URI::url_encode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char byte = static_cast<unsigned char>(ch);
        if (is_unreserved(byte)) {
            out += ch;
        } else if (ch == ' ') {
            out += '+';
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%.2x", byte);
            out += escaped;
        }
    }
    return out;
}

std::string URI::url_decode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '+') {
            out += ' ';
        } else if (ch == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
                   hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += ch;
        }
    }
    return out;
}

void URI::parse_uri(const std::string& text) {
    std::string rest = text;
    size_t scheme_end = text.find("://");
    if (scheme_end != std::string::npos) {
        protocol = boost::algorithm::to_lower_copy(text.substr(0, scheme_end));
        rest = text.substr(scheme_end + 3);
    }
    for (char ch : protocol) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            throw std::runtime_error("URI: invalid characters in protocol part");
        }
    }

    if (protocol != "file") {
        size_t path_start = rest.find_first_of("/\\");
        std::string authority = rest.substr(0, path_start);
        rest = path_start == std::string::npos ? "/" : rest.substr(path_start);
        size_t at = authority.find('@');
        if (at != std::string::npos) {
            login = authority.substr(0, at);
            authority = authority.substr(at + 1);
        }
        size_t colon = authority.find(':');
        if (colon != std::string::npos) {
            // Ports above 65535 wrap into 16 bits, as they always have.
            port =
                static_cast<unsigned short>(boost::lexical_cast<int>(authority.substr(colon + 1)));
            authority = authority.substr(0, colon);
        }
        domain = boost::algorithm::to_lower_copy(authority);
    }

    size_t hash = rest.find('#');
    if (hash != std::string::npos) {
        fragment = rest.substr(hash + 1);
        rest = rest.substr(0, hash);
    }
    size_t question = rest.find('?');
    if (question != std::string::npos) {
        parse_query_data(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    path = url_decode(rest);
}

void URI::parse_query_data(const std::string& text) {
    std::vector<std::string> pieces;
    boost::algorithm::split(pieces, text, boost::algorithm::is_any_of("&"),
                            boost::algorithm::token_compress_on);
    for (const std::string& piece : pieces) {
        if (piece.empty()) {
            continue;
        }
        std::vector<std::string> parts;
        boost::algorithm::split(parts, piece, boost::algorithm::is_any_of("="),
                                boost::algorithm::token_compress_on);
        query_data.emplace_back(url_decode(parts[0]),
                                parts.size() > 1 ? url_decode(parts[1]) : std::string());
    }
}

std::string URI::toString(bool include_domain_part) const {
    std::string out;
    if (include_domain_part) {
        out += protocol + "://";
        if (!login.empty()) {
            out += login + "@";
        }
        out += domain;
        if (port != 0) {
            out += ":" + std::to_string(port);
        }
    }
    out += url_encode(path);
    bool first = true;
    for (const auto& [key, value] : query_data) {
        out += first ? "?" : "&";
        first = false;
        out += url_encode(key) + "=" + url_encode(value);
    }
    if (!fragment.empty()) {
        out += "#" + fragment;
    }
    return out;
}

bool URI::operator==(const URI& other) const {
    return protocol == other.protocol && login == other.login && domain == other.domain &&
           port == other.port && path == other.path && query_data == other.query_data &&
           fragment == other.fragment;
}

} // namespace FB
