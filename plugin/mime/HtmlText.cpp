#include "plugin/mime/HtmlText.h"

#include <cctype>

namespace {

// The search goes on one byte after each replacement. Entities are undone one name at a time in
// a fixed order, so "&amp;lt;" ends as "&lt;": its "&lt;" appears only after that pass is over.
void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    size_t position = text.find(from);
    while (position != std::string::npos) {
        text.replace(position, from.size(), to);
        position = text.find(from, position + 1);
    }
}

} // namespace

void html2PlainText(const std::string& html, std::string& out) {
    std::string text;
    std::string tag;
    bool inQuotes = false;
    bool inTag = false;
    for (char c : html) {
        if (c == '"') {
            inQuotes = !inQuotes;
        }
        if (inQuotes || c == '"') {
            (inTag ? tag : text) += c;
        } else if (c == '<') {
            inTag = true;
        } else if (c == '>' && inTag) {
            if (tag == "br") {
                text += "\r\n";
            }
            tag.clear();
            inTag = false;
        } else if (inTag) {
            tag += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else {
            text += c;
        }
    }
    replaceAll(text, "&lt;", "<");
    replaceAll(text, "&gt;", ">");
    replaceAll(text, "&amp;", "&");
    replaceAll(text, "&quot;", "\"");
    replaceAll(text, "&nbsp;", " ");
    out += text;
}
