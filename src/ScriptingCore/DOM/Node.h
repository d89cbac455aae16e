// FB::DOM::Node: a thin typed view of a page object. Every operation is a property read or method
// call on the wrapped object, so it follows FB::JSObject's thread rules (main thread, or moved
// there).
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "src/ScriptingCore/JSObject.h"

namespace FB::DOM {

class Node;
using NodePtr = boost::shared_ptr<Node>;

class Node {
public:
    explicit Node(const JSObjectPtr& element) : m_element(element) {}
    virtual ~Node() = default;

    JSObjectPtr getJSObject() const { return m_element; }

    template <class T> T getProperty(const std::string& name) const {
        return m_element->GetProperty(name).convert_cast<T>();
    }
    template <class T> T getProperty(int idx) const {
        return m_element->GetProperty(idx).convert_cast<T>();
    }
    void setProperty(const std::string& name, const variant& value) {
        m_element->SetProperty(name, value);
    }
    void setProperty(int idx, const variant& value) { m_element->SetProperty(idx, value); }
    template <class T> T callMethod(const std::string& name, const VariantList& args) const {
        return m_element->Invoke(name, args).convert_cast<T>();
    }

    NodePtr getNode(const std::string& name) const;
    NodePtr getNode(int idx) const;
    void appendChild(const NodePtr& node);

protected:
    JSObjectPtr m_element;
};

} // namespace FB::DOM
