// Drives one mail message object through its script members from another program, one line per
// call, so that the OpenSSL round trips can sign and encrypt between two members.
//
// Request lines, fields separated by tabs:
//   new                   a fresh object
//   get NAME              reads the property
//   call NAME ARG...      calls the method; an argument is s<hex> (bytes), w<hex> (UTF-8 of a
//                         wide text), b0 / b1, or i<decimal>
// Answers, one line each: s<hex> for texts (wide ones as UTF-8), b0 / b1, i<decimal>, "-" for
// nothing, or e<text> when the member threw.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "plugin/mime/TMime.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

namespace {

std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

FB::variant argument(const std::string& field) {
    const std::string value = field.substr(1);
    switch (field[0]) {
    case 's':
        return fromHex(value);
    case 'w':
        return FB::utf8_to_wstring(fromHex(value));
    case 'b':
        return value == "1";
    default:
        return std::stoi(value);
    }
}

std::string answer(const FB::variant& result) {
    if (result.empty()) {
        return "-";
    }
    if (result.is_of_type<bool>()) {
        return result.cast<bool>() ? "b1" : "b0";
    }
    if (result.is_of_type<int>()) {
        return "i" + std::to_string(result.cast<int>());
    }
    if (result.is_of_type<std::wstring>()) {
        return "s" + toHex(FB::wstring_to_utf8(result.cast<std::wstring>()));
    }
    return "s" + toHex(result.convert_cast<std::string>());
}

} // namespace

int main() {
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    auto mime = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
    for (std::string line; std::getline(std::cin, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        try {
            if (fields.at(0) == "new") {
                mime = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
                std::cout << "-\n";
            } else if (fields.at(0) == "get") {
                std::cout << answer(mime->GetProperty(fields.at(1))) << "\n";
            } else {
                FB::VariantList args;
                for (size_t i = 2; i < fields.size(); ++i) {
                    args.push_back(argument(fields[i]));
                }
                std::cout << answer(mime->Invoke(fields.at(1), args)) << "\n";
            }
        } catch (const std::exception& error) {
            std::cout << "e" << error.what() << "\n";
        }
        std::cout.flush();
    }
    mime.reset();
    host->shutdown();
    return 0;
}
