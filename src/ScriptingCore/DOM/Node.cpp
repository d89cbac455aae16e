#include "src/ScriptingCore/DOM/Node.h"

#include <boost/make_shared.hpp>

namespace FB::DOM {

NodePtr Node::getNode(const std::string& name) const {
    return boost::make_shared<Node>(getProperty<JSObjectPtr>(name));
}

NodePtr Node::getNode(int idx) const {
    return boost::make_shared<Node>(getProperty<JSObjectPtr>(idx));
}

void Node::appendChild(const NodePtr& node) {
    m_element->Invoke("appendChild", VariantList{node->getJSObject()});
}

} // namespace FB::DOM
