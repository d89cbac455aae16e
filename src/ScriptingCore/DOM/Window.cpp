#include "src/ScriptingCore/DOM/Window.h"

#include <boost/make_shared.hpp>

namespace FB::DOM {

DocumentPtr Window::getDocument() const {
    return boost::make_shared<Document>(getProperty<JSObjectPtr>("document"));
}

JSObjectPtr Window::createArray() const {
    return m_element->Invoke("Array", VariantList()).convert_cast<JSObjectPtr>();
}

JSObjectPtr Window::createMap() const {
    return m_element->Invoke("Object", VariantList()).convert_cast<JSObjectPtr>();
}

std::string Window::getLocation() const {
    return getProperty<JSObjectPtr>("location")->GetProperty("href").convert_cast<std::string>();
}

} // namespace FB::DOM
