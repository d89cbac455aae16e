#include "src/ScriptingCore/JSEvent.h"

namespace FB {

VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name, const VariantMap& members,
                       const VariantList& arguments) {
    VariantMap event;
    event["type"] = name;
    event["target"] = target;
    event["currentTarget"] = target;
    event["eventPhase"] = 2;
    event["bubbles"] = false;
    event["cancelable"] = false;
    event["namespaceURI"] = name;
    for (const auto& member : members) {
        event.insert(member);
    }
    event["arguments"] = arguments;
    return event;
}

VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name, const VariantMap& members) {
    return CreateEvent(target, name, members, VariantList());
}

VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name,
                       const VariantList& arguments) {
    return CreateEvent(target, name, VariantMap(), arguments);
}

} // namespace FB
