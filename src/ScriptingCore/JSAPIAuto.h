// FB::JSAPIAuto: base of every scriptable object of the application. Members are registered by name
// in the constructor (methods, properties, attributes) and resolved against the page's member
// access.
//
// Thread contract: every member operation runs under the object's zone lock (recursive), held
// during the native call, so any thread may call in and a method may call other members of its
// object.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "src/ScriptingCore/JSAPIImpl.h"
#include "src/ScriptingCore/MethodFunctors.h"

namespace FB {

class JSAPIAuto : public JSAPIImpl {
public:
    struct Attribute {
        variant value;
        bool readonly;
    };

    explicit JSAPIAuto(const std::string& description = "<JSAPI-Auto Javascript Object>");
    JSAPIAuto(int securityLevel, const std::string& description);
    ~JSAPIAuto() override;

    void getMemberNames(std::vector<std::string>& nameVector) const override;
    size_t getMemberCount() const override;
    using JSAPI::getMemberNames;

    bool HasMethod(const std::string& methodName) const override;
    bool HasMethodObject(const std::string& methodObjName) const override;
    bool HasProperty(const std::string& propertyName) const override;
    bool HasProperty(int idx) const override;
    JSAPIPtr GetMethodObject(const std::string& methodObjName) override;
    variant GetProperty(const std::string& propertyName) override;
    void SetProperty(const std::string& propertyName, const variant& value) override;
    variant GetProperty(int idx) override;
    void SetProperty(int idx, const variant& value) override;
    void RemoveProperty(const std::string& propertyName) override;
    void RemoveProperty(int idx) override;
    variant Invoke(const std::string& methodName, const VariantList& args) override;
    variant Construct(const VariantList& args) override;
    using JSAPI::GetMethodObject;
    using JSAPI::GetProperty;
    using JSAPI::HasMethod;
    using JSAPI::HasMethodObject;
    using JSAPI::HasProperty;
    using JSAPI::Invoke;
    using JSAPI::RemoveProperty;
    using JSAPI::SetProperty;

    void fireAsyncEvent(const std::string& eventName, const VariantList& args) override;

    virtual void registerAttribute(const std::string& name, const variant& value,
                                   bool readonly = false);
    virtual void setReserved(const std::string& name);
    virtual void unregisterMethod(const std::wstring& name);
    virtual void unregisterMethod(const std::string& name);
    virtual void registerMethod(const std::wstring& name, const CallMethodFunctor& func);
    virtual void registerMethod(const std::string& name, const CallMethodFunctor& func);
    virtual void registerProperty(const std::wstring& name, const PropertyFunctors& propFuncs);
    virtual void registerProperty(const std::string& name, const PropertyFunctors& propFuncs);
    virtual void unregisterProperty(const std::wstring& name);
    virtual void unregisterProperty(const std::string& name);
    virtual std::string ToString();
    virtual bool get_valid();
    virtual variant getAttribute(const std::string& name);
    virtual void setAttribute(const std::string& name, const variant& value);
    virtual void unregisterAttribute(const std::string& name);

protected:
    // True when the name was registered in a zone that the current zone reaches.
    // REQUIRES: zone lock held.
    bool memberAccessible(const std::string& name) const;
    bool isReserved(const std::string& name) const;
    // The registered member of the name, else the built-in one; false when there is neither.
    // REQUIRES: zone lock held.
    bool findMethod(const std::string& name, CallMethodFunctor& method);
    bool findProperty(const std::string& name, PropertyFunctors& property);

    // The switches below are copied from these class-wide defaults at construction.
    static bool s_allowDynamicAttributes;
    static bool s_allowRemoveProperties;
    static bool s_allowMethodObjects;

    // All guarded by the zone lock.
    std::map<std::pair<std::string, int>, JSFunctionPtr> m_methodObjectMap;
    std::map<std::string, MethodFunctors> m_methodFunctorMap;
    std::map<std::string, PropertyFunctors> m_propertyFunctorsMap;
    std::map<std::string, int> m_zoneMap;
    std::string m_description;
    std::map<std::string, Attribute> m_attributes;
    std::set<std::string> m_reservedMembers; // beyond the names every object reserves
    bool m_defaultReserved = true;
    bool m_allowDynamicAttributes;
    bool m_allowRemoveProperties;
    bool m_allowMethodObjects;
};

} // namespace FB
