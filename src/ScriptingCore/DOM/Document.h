// FB::DOM::Document: the page's document. Same thread rules as FB::DOM::Node.
#pragma once

#include <string>

#include "src/ScriptingCore/DOM/Element.h"

namespace FB::DOM {

class Window;
using WindowPtr = boost::shared_ptr<Window>;
class Document;
using DocumentPtr = boost::shared_ptr<Document>;

class Document : public Element {
public:
    using Element::Element;

    WindowPtr getWindow() const;
    ElementPtr getBody() const;
    ElementPtr createElement(const std::string& name) const;
};

} // namespace FB::DOM
