// Drives one mail message object through its script members from another program, one line per
// member, so that the OpenSSL round trips can sign and encrypt between two members.
//
// Request lines, fields separated by tabs: "get NAME" reads a property, "call NAME ARG..." calls
// a method; an argument is s<hex> (bytes), w<hex> (UTF-8 of a wide text), b0 / b1 or i<decimal>.
// Answers, one line each: s<hex> for texts (wide ones as UTF-8), b0 / b1, i<decimal>, "-" for
// nothing, or e<text> when the member threw.
#include <iostream>
#include <sstream>
#include <string>

#include <boost/make_shared.hpp>

#include "plugin/mime/TMime.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

namespace {

std::string toHex(const std::string& bytes) {
    std::ostringstream hex;
    for (unsigned char c : bytes)
        hex << "0123456789abcdef"[c >> 4] << "0123456789abcdef"[c & 15];
    return hex.str();
}

FB::variant argument(const std::string& field) {
    const std::string value = field.substr(1);
    if (field.at(0) == 'b')
        return value == "1";
    if (field.at(0) == 'i')
        return std::stoi(value);
    std::string bytes;
    for (size_t i = 0; i + 1 < value.size(); i += 2)
        bytes += static_cast<char>(std::stoi(value.substr(i, 2), nullptr, 16));
    if (field.at(0) == 'w')
        return FB::utf8_to_wstring(bytes);
    return bytes;
}

std::string answer(const FB::variant& result) {
    if (result.empty())
        return "-";
    if (result.is_of_type<bool>())
        return result.cast<bool>() ? "b1" : "b0";
    if (result.is_of_type<int>())
        return "i" + std::to_string(result.cast<int>());
    if (result.is_of_type<std::wstring>())
        return "s" + toHex(FB::wstring_to_utf8(result.cast<std::wstring>()));
    return "s" + toHex(result.convert_cast<std::string>());
}

} // namespace

int main() {
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    auto mime = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream split(line);
        std::string kind, name;
        std::getline(split, kind, '\t');
        std::getline(split, name, '\t');
        try {
            FB::VariantList args;
            for (std::string field; std::getline(split, field, '\t');)
                args.push_back(argument(field));
            std::cout << answer(kind == "get" ? mime->GetProperty(name) : mime->Invoke(name, args))
                      << std::endl;
        } catch (const std::exception& error) {
            std::cout << "e" << error.what() << std::endl;
        }
    }
    mime.reset();
    host->shutdown();
    return 0;
}
