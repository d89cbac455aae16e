#include "src/ScriptingCore/JSAPIAuto.h"

#include <algorithm>
#include <set>

#include <boost/make_shared.hpp>

#include "src/ScriptingCore/JSFunction.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB {

bool JSAPIAuto::s_allowDynamicAttributes = true;
bool JSAPIAuto::s_allowRemoveProperties = false;
bool JSAPIAuto::s_allowMethodObjects = true;

namespace {
using Lock = boost::recursive_mutex::scoped_lock;

invalid_arguments conversion_error(const bad_variant_cast& error) {
    return invalid_arguments(std::string("Could not convert from ") +
                             (error.from ? error.from : "") + " to " + (error.to ? error.to : ""));
}

// The members every object has, in zone 0, unless the object registers its own of the name. They
// are bound to the object when used instead of registered on each one: a page may hold tens of
// thousands of objects.
using BuiltInMethod = CallMethodFunctor (*)(JSAPIAuto&);
using BuiltInProperty = PropertyFunctors (*)(JSAPIAuto&);

const std::map<std::string, BuiltInMethod>& builtInMethods() {
    static const std::map<std::string, BuiltInMethod> methods = {
        {"toString", [](JSAPIAuto& o) { return make_method(&o, &JSAPIAuto::ToString); }},
        {"getAttribute", [](JSAPIAuto& o) { return make_method(&o, &JSAPIAuto::getAttribute); }},
        {"setAttribute", [](JSAPIAuto& o) { return make_method(&o, &JSAPIAuto::setAttribute); }},
    };
    return methods;
}

const std::map<std::string, BuiltInProperty>& builtInProperties() {
    static const std::map<std::string, BuiltInProperty> properties = {
        {"value", [](JSAPIAuto& o) { return make_property(&o, &JSAPIAuto::ToString); }},
        {"valid", [](JSAPIAuto& o) { return make_property(&o, &JSAPIAuto::get_valid); }},
    };
    return properties;
}

bool isBuiltIn(const std::string& name) {
    return builtInMethods().count(name) || builtInProperties().count(name);
}

// Names the page's engine reads on any element-like object; an object answers them only when it
// registers them.
const std::set<std::string>& defaultReserved() {
    static const std::set<std::string> names = {
        "offsetWidth", "offsetHeight", "width",      "height",          "attributes",
        "nodeType",    "namespaceURI", "localName",  "wrappedJSObject", "prototype",
        "style",       "id",           "constructor"};
    return names;
}
} // namespace

JSAPIAuto::JSAPIAuto(const std::string& description) : JSAPIAuto(0, description) {}

JSAPIAuto::JSAPIAuto(int securityLevel, const std::string& description)
    : JSAPIImpl(securityLevel), m_description(description),
      m_allowDynamicAttributes(s_allowDynamicAttributes),
      m_allowRemoveProperties(s_allowRemoveProperties), m_allowMethodObjects(s_allowMethodObjects) {
}

JSAPIAuto::~JSAPIAuto() = default;

bool JSAPIAuto::memberAccessible(const std::string& name) const {
    auto zone = m_zoneMap.find(name);
    if (zone == m_zoneMap.end()) {
        return isBuiltIn(name) && getZone() >= 0;
    }
    return getZone() >= zone->second;
}

bool JSAPIAuto::isReserved(const std::string& name) const {
    return m_reservedMembers.count(name) || (m_defaultReserved && defaultReserved().count(name));
}

bool JSAPIAuto::findMethod(const std::string& name, CallMethodFunctor& method) {
    auto registered = m_methodFunctorMap.find(name);
    if (registered != m_methodFunctorMap.end()) {
        method = registered->second.call;
        return true;
    }
    auto builtIn = builtInMethods().find(name);
    if (builtIn == builtInMethods().end()) {
        return false;
    }
    method = builtIn->second(*this);
    return true;
}

bool JSAPIAuto::findProperty(const std::string& name, PropertyFunctors& property) {
    auto registered = m_propertyFunctorsMap.find(name);
    if (registered != m_propertyFunctorsMap.end()) {
        property = registered->second;
        return true;
    }
    auto builtIn = builtInProperties().find(name);
    if (builtIn == builtInProperties().end()) {
        return false;
    }
    property = builtIn->second(*this);
    return true;
}

void JSAPIAuto::getMemberNames(std::vector<std::string>& nameVector) const {
    Lock lock(m_zoneMutex);
    nameVector.clear();
    int current = getZone();
    for (const auto& [name, zone] : m_zoneMap) {
        if (zone <= current) {
            nameVector.push_back(name);
        }
    }
    if (current >= 0) {
        for (const auto& [name, method] : builtInMethods()) {
            if (!m_zoneMap.count(name)) {
                nameVector.push_back(name);
            }
        }
        for (const auto& [name, property] : builtInProperties()) {
            if (!m_zoneMap.count(name)) {
                nameVector.push_back(name);
            }
        }
        std::sort(nameVector.begin(), nameVector.end());
    }
}

size_t JSAPIAuto::getMemberCount() const {
    std::vector<std::string> names;
    getMemberNames(names);
    return names.size();
}

bool JSAPIAuto::HasMethod(const std::string& methodName) const {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        return false;
    }
    return (m_methodFunctorMap.count(methodName) || builtInMethods().count(methodName)) &&
           memberAccessible(methodName);
}

bool JSAPIAuto::HasMethodObject(const std::string& methodObjName) const {
    Lock lock(m_zoneMutex);
    return m_allowMethodObjects && HasMethod(methodObjName);
}

bool JSAPIAuto::HasProperty(const std::string& propertyName) const {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        return false;
    }
    bool isMethod = HasMethod(propertyName);
    if (m_allowDynamicAttributes && !isMethod && !isReserved(propertyName)) {
        return true;
    }
    if (m_allowMethodObjects && isMethod) {
        return true;
    }
    return m_propertyFunctorsMap.count(propertyName) || builtInProperties().count(propertyName) ||
           m_attributes.count(propertyName);
}

bool JSAPIAuto::HasProperty(int idx) const {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        return false;
    }
    return m_allowDynamicAttributes || m_attributes.count(std::to_string(idx));
}

JSAPIPtr JSAPIAuto::GetMethodObject(const std::string& methodObjName) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    if (!HasMethod(methodObjName)) {
        throw invalid_member(methodObjName);
    }
    auto key = std::make_pair(methodObjName, getZone());
    JSFunctionPtr& cached = m_methodObjectMap[key];
    if (!cached) {
        cached = boost::make_shared<JSFunction>(shared_from_this(), methodObjName, getZone());
    }
    return cached;
}

variant JSAPIAuto::GetProperty(const std::string& propertyName) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    bool accessible = memberAccessible(propertyName);
    PropertyFunctors property;
    if (accessible && findProperty(propertyName, property)) {
        return property.get();
    }
    if (accessible) {
        if (HasMethodObject(propertyName)) {
            return GetMethodObject(propertyName);
        }
        auto attribute = m_attributes.find(propertyName);
        if (attribute != m_attributes.end()) {
            return attribute->second.value;
        }
    }
    if (m_allowDynamicAttributes) {
        return variant();
    }
    throw invalid_member(propertyName);
}

void JSAPIAuto::SetProperty(const std::string& propertyName, const variant& value) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    PropertyFunctors property;
    if (findProperty(propertyName, property)) {
        if (!memberAccessible(propertyName)) {
            throw invalid_member(propertyName);
        }
        try {
            property.set(value);
        } catch (const bad_variant_cast& error) {
            throw conversion_error(error);
        }
        return;
    }
    if (!m_allowDynamicAttributes) {
        auto attribute = m_attributes.find(propertyName);
        if (attribute == m_attributes.end() || attribute->second.readonly) {
            throw invalid_member(propertyName);
        }
    }
    registerAttribute(propertyName, value, false);
}

variant JSAPIAuto::GetProperty(int idx) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    std::string name = std::to_string(idx);
    auto attribute = m_attributes.find(name);
    if (attribute != m_attributes.end() && memberAccessible(name)) {
        return attribute->second.value;
    }
    if (m_allowDynamicAttributes) {
        return variant();
    }
    throw invalid_member(name);
}

void JSAPIAuto::SetProperty(int idx, const variant& value) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    std::string name = std::to_string(idx);
    if (!m_allowDynamicAttributes) {
        auto attribute = m_attributes.find(name);
        if (attribute == m_attributes.end() || attribute->second.readonly) {
            throw invalid_member(name);
        }
    }
    registerAttribute(name, value, false);
}

void JSAPIAuto::RemoveProperty(const std::string& propertyName) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    if (!memberAccessible(propertyName)) {
        throw invalid_member(propertyName);
    }
    if (m_allowRemoveProperties && m_propertyFunctorsMap.count(propertyName)) {
        unregisterProperty(propertyName);
        return;
    }
    auto attribute = m_attributes.find(propertyName);
    if (m_allowDynamicAttributes && attribute != m_attributes.end() &&
        !attribute->second.readonly) {
        unregisterAttribute(propertyName);
    }
}

void JSAPIAuto::RemoveProperty(int idx) {
    RemoveProperty(std::to_string(idx));
}

variant JSAPIAuto::Invoke(const std::string& methodName, const VariantList& args) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    if (!memberAccessible(methodName)) {
        throw invalid_member(methodName);
    }
    CallMethodFunctor method;
    if (!findMethod(methodName, method)) {
        throw invalid_member(methodName);
    }
    try {
        return method(args);
    } catch (const bad_variant_cast& error) {
        throw conversion_error(error);
    }
}

variant JSAPIAuto::Construct(const VariantList&) {
    Lock lock(m_zoneMutex);
    if (!m_valid) {
        throw object_invalidated();
    }
    throw invalid_member("constructor");
}

void JSAPIAuto::fireAsyncEvent(const std::string& eventName, const VariantList& args) {
    JSAPIImpl::fireAsyncEvent(eventName, args);
    variant handler = getAttribute(eventName);
    if (handler.is_of_type<JSObjectPtr>()) {
        try {
            handler.cast<JSObjectPtr>()->InvokeAsync("", args);
        } catch (const std::exception&) {
            // The page's own handler attribute failing to schedule must not break the firer.
        }
    }
}

void JSAPIAuto::registerAttribute(const std::string& name, const variant& value, bool readonly) {
    Lock lock(m_zoneMutex);
    m_attributes[name] = Attribute{value, readonly};
    m_zoneMap[name] = getZone();
}

void JSAPIAuto::setReserved(const std::string& name) {
    m_reservedMembers.insert(name);
}

void JSAPIAuto::unregisterMethod(const std::wstring& name) {
    unregisterMethod(wstring_to_utf8(name));
}

void JSAPIAuto::unregisterMethod(const std::string& name) {
    Lock lock(m_zoneMutex);
    m_methodFunctorMap.erase(name);
    m_zoneMap.erase(name);
}

void JSAPIAuto::registerMethod(const std::wstring& name, const CallMethodFunctor& func) {
    registerMethod(wstring_to_utf8(name), func);
}

void JSAPIAuto::registerMethod(const std::string& name, const CallMethodFunctor& func) {
    Lock lock(m_zoneMutex);
    m_methodFunctorMap[name] = MethodFunctors{func};
    m_zoneMap[name] = getZone();
}

void JSAPIAuto::registerProperty(const std::wstring& name, const PropertyFunctors& propFuncs) {
    registerProperty(wstring_to_utf8(name), propFuncs);
}

void JSAPIAuto::registerProperty(const std::string& name, const PropertyFunctors& propFuncs) {
    Lock lock(m_zoneMutex);
    m_propertyFunctorsMap[name] = propFuncs;
    m_zoneMap[name] = getZone();
}

void JSAPIAuto::unregisterProperty(const std::wstring& name) {
    unregisterProperty(wstring_to_utf8(name));
}

void JSAPIAuto::unregisterProperty(const std::string& name) {
    Lock lock(m_zoneMutex);
    m_propertyFunctorsMap.erase(name);
    m_zoneMap.erase(name);
}

std::string JSAPIAuto::ToString() {
    return m_description;
}

bool JSAPIAuto::get_valid() {
    return true;
}

// The attribute operations lock although the page reaches them inside Invoke with the lock held:
// events fired from worker threads read handler attributes too.
variant JSAPIAuto::getAttribute(const std::string& name) {
    Lock lock(m_zoneMutex);
    auto attribute = m_attributes.find(name);
    return attribute == m_attributes.end() ? variant() : attribute->second.value;
}

void JSAPIAuto::setAttribute(const std::string& name, const variant& value) {
    Lock lock(m_zoneMutex);
    auto attribute = m_attributes.find(name);
    if (attribute != m_attributes.end() && attribute->second.readonly) {
        throw script_error("Cannot set read-only property " + name);
    }
    m_attributes[name] = Attribute{value, false};
    m_zoneMap[name] = getZone();
}

void JSAPIAuto::unregisterAttribute(const std::string& name) {
    Lock lock(m_zoneMutex);
    auto attribute = m_attributes.find(name);
    if (attribute == m_attributes.end()) {
        return;
    }
    if (attribute->second.readonly) {
        throw script_error("Cannot remove read-only property " + name);
    }
    m_attributes.erase(attribute);
    m_zoneMap.erase(name);
}

} // namespace FB
