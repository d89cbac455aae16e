// Loads one message file with the MIME library and prints its tree as JSON, bytes in hex, for
// the cross-check against Python's email package: every entity's fields (name, decoded value,
// charset), multipart entities' parts, leaves' decoded content, and for message/rfc822 leaves
// the tree of the message they hold.
#include <strings.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin/mime/MimeMessage.h"

namespace {

// rfc822 leaves are opened on demand; deeper ones are dumped as plain leaves.
constexpr int kMaxMessageDepth = 8;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

void DumpEntity(const CMimeBody& body, int messageDepth, std::string& out) {
    out += "{\"fields\":[";
    bool first = true;
    for (const CMimeField& field : body.GetFields()) {
        out += first ? "" : ",";
        first = false;
        out += "[\"" + Hex(field.GetName()) + "\",\"" + Hex(field.GetValue()) + "\",\"" +
               Hex(field.GetCharset()) + "\"]";
    }
    out += "]";
    if (body.GetMediaType() == CMimeHeader::MediaMultipart) {
        out += ",\"parts\":[";
        first = true;
        for (const auto& part : body.GetParts()) {
            out += first ? "" : ",";
            first = false;
            DumpEntity(*part, messageDepth, out);
        }
        out += "]}";
        return;
    }
    std::string content;
    body.GetText(content);
    out += ",\"content\":\"" + Hex(content) + "\"";
    std::string type;
    if (const CMimeField* field = body.FindField("Content-Type"))
        field->GetValue(type);
    if (messageDepth < kMaxMessageDepth && type.size() == 14 &&
        strncasecmp(type.c_str(), "message/rfc822", 14) == 0) {
        CMimeMessage inner;
        body.GetMessage(inner);
        out += ",\"message\":";
        DumpEntity(inner, messageDepth + 1, out);
    }
    out += "}";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mime_tree_dump MESSAGE-FILE\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "mime_tree_dump: cannot read %s\n", argv[1]);
        return 2;
    }
    CMimeMessage message;
    const int loaded = message.Load(data.data(), static_cast<int>(data.size()));
    std::string out = "{\"load\":" + std::to_string(loaded) + ",\"tree\":";
    DumpEntity(message, 0, out);
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
