#include "src/ScriptingCore/JSFunction.h"

namespace FB {

JSFunction::JSFunction(const JSAPIWeakPtr& target, const std::string& methodName, int securityZone)
    : JSAPIAuto(securityZone, methodName + "()"), m_obj(target), m_methodName(methodName) {
    m_allowMethodObjects = false;
    m_defaultReserved = false;
}

bool JSFunction::HasMethod(const std::string& methodName) const {
    return methodName.empty() || methodName == "call" || methodName == "apply" ||
           JSAPIAuto::HasMethod(methodName);
}

bool JSFunction::HasProperty(const std::string& propertyName) const {
    return propertyName != "call" && propertyName != "apply" &&
           JSAPIAuto::HasProperty(propertyName);
}

bool JSFunction::HasMethodObject(const std::string&) const {
    return false;
}

variant JSFunction::Invoke(const std::string& methodName, const VariantList& args) {
    if (methodName.empty()) {
        return exec(args);
    }
    if (methodName == "call") {
        return call(args);
    }
    if (methodName == "apply") {
        return apply(args);
    }
    return JSAPIAuto::Invoke(methodName, args);
}

variant JSFunction::exec(const VariantList& args) {
    JSAPIPtr target = m_obj.lock();
    if (!target) {
        throw script_error("Invalid JSAPI object");
    }
    scoped_zonelock zone(*target, getZone());
    return target->Invoke(m_methodName, args);
}

variant JSFunction::call(const VariantList& args) {
    return exec(args.empty() ? args : VariantList(args.begin() + 1, args.end()));
}

variant JSFunction::apply(const VariantList& args) {
    if (args.size() < 2) {
        return exec(VariantList());
    }
    return exec(args[1].convert_cast<VariantList>());
}

} // namespace FB
