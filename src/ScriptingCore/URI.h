// FB::URI: a URL as a plain value (protocol, login, domain, port, decoded path, decoded query
// pairs, fragment), with the system's only form-encoding functions. Immutable use is thread-safe;
// one value must not be changed on one thread while read on another.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace FB {

class URI {
public:
    using StringPair = std::pair<std::string, std::string>;
    using StringPairList = std::vector<StringPair>;

    URI() = default;
    // Throws std::runtime_error "URI: invalid characters in protocol part", or the Boost conversion
    // error (boost::bad_lexical_cast) for an empty or non-numeric port.
    URI(const std::string& text) { parse_uri(text); }
    static URI fromString(const std::string& text) { return URI(text); }

    // The text form; the browser host sends toString(true).
    std::string toString(bool include_domain_part = true) const;
    void addQueryData(const std::string& key, const std::string& value) {
        query_data.emplace_back(key, value);
    }
    void parse_query_data(const std::string& text);

    bool operator==(const URI& other) const;

    // Letters, digits and !$'()*,-./_ pass; a space becomes "+"; every other byte "%xx" (lower
    // case).
    static std::string url_encode(const std::string& text);
    // "+" is a space, "%xx" (either case) a byte; a "%" without two hex digits is kept as it is.
    static std::string url_decode(const std::string& text);

    std::string protocol;
    std::string login;
    std::string domain;
    unsigned short port = 0;
    std::string path;
    StringPairList query_data;
    std::string fragment;

private:
    void parse_uri(const std::string& text);
};

} // namespace FB
