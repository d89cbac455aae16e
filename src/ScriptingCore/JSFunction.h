// FB::JSFunction: a callable object standing for one method of one native object, handed to the
// page when it reads a method's name as a property. Holds its target weakly, so it never prolongs
// its life. Thread contract: as FB::JSAPIAuto.
#pragma once

#include <string>

#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB {

class JSFunction : public JSAPIAuto {
public:
    JSFunction(const JSAPIWeakPtr& target, const std::string& methodName, int securityZone);

    bool HasMethod(const std::string& methodName) const override;
    bool HasProperty(const std::string& propertyName) const override;
    bool HasMethodObject(const std::string& methodObjName) const override;
    variant Invoke(const std::string& methodName, const VariantList& args) override;
    using JSAPIAuto::HasMethod;
    using JSAPIAuto::HasMethodObject;
    using JSAPIAuto::HasProperty;
    using JSAPIAuto::Invoke;

    // Calls the method with args; script_error "Invalid JSAPI object" once the target is gone.
    variant exec(const VariantList& args);
    // Script "call": the first argument is the page's this and is dropped.
    variant call(const VariantList& args);
    // Script "apply": (this, array of arguments).
    variant apply(const VariantList& args);

private:
    JSAPIWeakPtr m_obj;
    std::string m_methodName;
};

} // namespace FB
