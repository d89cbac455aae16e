#include "src/NpapiCore/NpapiScriptFunctions.h"

#include <typeinfo>

#include "src/NpapiCore/NPJavascriptObject.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"

namespace FB::Npapi {

variant NPO_getLastException::m_msg;

namespace {

struct Listener {
    JSAPIPtr target;
    std::string event;
    JSObjectPtr handler;
};

Listener readListener(NPJavascriptObject& owner, const VariantList& args) {
    if (args.size() < 2 || args.size() > 3) {
        throw invalid_arguments();
    }
    Listener listener;
    try {
        listener.target = owner.getAPI();
        listener.event = "on" + args[0].convert_cast<std::string>();
        listener.handler = args[1].convert_cast<JSObjectPtr>();
    } catch (const bad_variant_cast& error) {
        throw invalid_arguments(error.what());
    } catch (const std::bad_cast&) {
        throw invalid_arguments();
    }
    return listener;
}

} // namespace

NPO_function::NPO_function(const WrapperRef& owner, const std::string& name)
    : FB::JSAPIAuto(name + "()"), m_owner(owner) {}

variant NPO_function::Invoke(const std::string& methodName, const VariantList& args) {
    if (!methodName.empty()) {
        return FB::JSAPIAuto::Invoke(methodName, args);
    }
    auto owner = m_owner.lock();
    if (!owner || !owner->getPtr()->isValid()) {
        throw invalid_arguments();
    }
    return call(*owner->getPtr(), args);
}

bool NPO_function::HasMethod(const std::string& methodName) const {
    return methodName.empty() || FB::JSAPIAuto::HasMethod(methodName);
}

NPO_addEventListener::NPO_addEventListener(const WrapperRef& owner)
    : NPO_function(owner, "addEventListener") {}

variant NPO_addEventListener::call(NPJavascriptObject& owner, const VariantList& args) {
    Listener listener = readListener(owner, args);
    listener.target->registerEventMethod(listener.event, listener.handler);
    return variant();
}

NPO_removeEventListener::NPO_removeEventListener(const WrapperRef& owner)
    : NPO_function(owner, "removeEventListener") {}

variant NPO_removeEventListener::call(NPJavascriptObject& owner, const VariantList& args) {
    Listener listener = readListener(owner, args);
    listener.target->unregisterEventMethod(listener.event, listener.handler);
    return variant();
}

NPO_getLastException::NPO_getLastException(const WrapperRef& owner)
    : NPO_function(owner, "getLastException") {}

variant NPO_getLastException::call(NPJavascriptObject&, const VariantList&) {
    return m_msg;
}

} // namespace FB::Npapi
