#include "src/ScriptingCore/DOM/Element.h"

#include <boost/make_shared.hpp>

namespace FB::DOM {

int Element::getChildNodeCount() const {
    return getProperty<JSObjectPtr>("childNodes")->GetProperty("length").convert_cast<int>();
}

ElementPtr Element::getChildNode(int idx) const {
    JSObjectPtr nodes = getProperty<JSObjectPtr>("childNodes");
    return boost::make_shared<Element>(nodes->GetProperty(idx).convert_cast<JSObjectPtr>());
}

ElementPtr Element::getParentNode() const {
    return boost::make_shared<Element>(getProperty<JSObjectPtr>("parentNode"));
}

ElementPtr Element::getElementById(const std::string& id) const {
    return boost::make_shared<Element>(callMethod<JSObjectPtr>("getElementById", VariantList{id}));
}

std::vector<ElementPtr> Element::getElementsByTagName(const std::string& tagName) const {
    std::vector<JSObjectPtr> objects =
        callMethod<std::vector<JSObjectPtr>>("getElementsByTagName", VariantList{tagName});
    std::vector<ElementPtr> elements;
    for (const JSObjectPtr& object : objects) {
        elements.push_back(boost::make_shared<Element>(object));
    }
    return elements;
}

std::string Element::getStringAttribute(const std::string& attr) const {
    return callMethod<std::string>("getAttribute", VariantList{attr});
}

} // namespace FB::DOM
