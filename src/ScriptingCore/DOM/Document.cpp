#include "src/ScriptingCore/DOM/Document.h"

#include <boost/make_shared.hpp>

#include "src/ScriptingCore/DOM/Window.h"

namespace FB::DOM {

WindowPtr Document::getWindow() const {
    return boost::make_shared<Window>(getProperty<JSObjectPtr>("window"));
}

ElementPtr Document::getBody() const {
    return boost::make_shared<Element>(getProperty<JSObjectPtr>("body"));
}

ElementPtr Document::createElement(const std::string& name) const {
    return boost::make_shared<Element>(callMethod<JSObjectPtr>("createElement", VariantList{name}));
}

} // namespace FB::DOM
