// HtmlText: the plain-text alternative of an HTML mail body, made without a parser: tags are
// dropped, only <br> becomes a line break, and five entities are turned back into characters.
// A double quote in running text suspends tag removal until the next one, as it always has;
// pages rely on the exact output.
//
// Thread contract: pure function; callable from any thread.
#pragma once

#include <string>

// Appends the plain text of the HTML bytes `html` to `out`.
void html2PlainText(const std::string& html, std::string& out);
