// FB::DOM::Window: the page's window. Same thread rules as FB::DOM::Node.
#pragma once

#include <string>

#include "src/ScriptingCore/DOM/Document.h"

namespace FB::DOM {

class Window : public Node {
public:
    using Node::Node;

    DocumentPtr getDocument() const;
    void alert(const std::string& text) { m_element->Invoke("alert", VariantList{text}); }
    // New empty page array / object, made by the page's own constructors.
    JSObjectPtr createArray() const;
    JSObjectPtr createMap() const;
    std::string getLocation() const;
};

} // namespace FB::DOM
