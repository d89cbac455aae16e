// FB::DOM::Element: a page element. Same thread rules as FB::DOM::Node.
#pragma once

#include <string>
#include <vector>

#include "src/ScriptingCore/DOM/Node.h"

namespace FB::DOM {

class Element;
using ElementPtr = boost::shared_ptr<Element>;

class Element : public Node {
public:
    using Node::Node;

    std::string getInnerHTML() const { return getProperty<std::string>("innerHTML"); }
    void setInnerHTML(const std::string& html) { setProperty("innerHTML", html); }
    int getWidth() const { return getProperty<int>("width"); }
    void setWidth(int width) { setProperty("width", width); }
    int getHeight() const { return getProperty<int>("height"); }
    void setHeight(int height) { setProperty("height", height); }
    int getScrollWidth() const { return getProperty<int>("scrollWidth"); }
    int getScrollHeight() const { return getProperty<int>("scrollHeight"); }
    int getChildNodeCount() const;
    ElementPtr getChildNode(int idx) const;
    ElementPtr getParentNode() const;
    ElementPtr getElementById(const std::string& id) const;
    std::vector<ElementPtr> getElementsByTagName(const std::string& tagName) const;
    std::string getStringAttribute(const std::string& attr) const;
};

} // namespace FB::DOM
