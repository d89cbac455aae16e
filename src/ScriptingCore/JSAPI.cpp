#include "src/ScriptingCore/JSAPI.h"

#include "src/ScriptingCore/script_error.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB {
namespace {

// Listeners belong to the plug-in's own objects; page-object handles take none.
[[noreturn]] void notImplemented() {
    throw script_error("Not implemented");
}

} // namespace

void JSAPI::registerEventMethod(const std::string&, JSObjectPtr&) {
    notImplemented();
}
void JSAPI::registerEventMethod(const std::wstring& name, JSObjectPtr& event) {
    registerEventMethod(wstring_to_utf8(name), event);
}
void JSAPI::unregisterEventMethod(const std::string&, JSObjectPtr&) {
    notImplemented();
}
void JSAPI::unregisterEventMethod(const std::wstring& name, JSObjectPtr& event) {
    unregisterEventMethod(wstring_to_utf8(name), event);
}
void JSAPI::registerEventInterface(const JSObjectPtr&) {
    notImplemented();
}
void JSAPI::unregisterEventInterface(const JSObjectPtr&) {
    notImplemented();
}

void JSAPI::getMemberNames(std::vector<std::wstring>& nameVector) const {
    std::vector<std::string> names;
    getMemberNames(names);
    nameVector.clear();
    for (const std::string& name : names) {
        nameVector.push_back(utf8_to_wstring(name));
    }
}

bool JSAPI::HasMethod(const std::wstring& methodName) const {
    return HasMethod(wstring_to_utf8(methodName));
}
bool JSAPI::HasMethodObject(const std::wstring& methodObjName) const {
    return HasMethodObject(wstring_to_utf8(methodObjName));
}
bool JSAPI::HasProperty(const std::wstring& propertyName) const {
    return HasProperty(wstring_to_utf8(propertyName));
}
JSAPIPtr JSAPI::GetMethodObject(const std::wstring& methodObjName) {
    return GetMethodObject(wstring_to_utf8(methodObjName));
}
variant JSAPI::GetProperty(const std::wstring& propertyName) {
    return GetProperty(wstring_to_utf8(propertyName));
}
void JSAPI::SetProperty(const std::wstring& propertyName, const variant& value) {
    SetProperty(wstring_to_utf8(propertyName), value);
}
void JSAPI::RemoveProperty(const std::wstring& propertyName) {
    RemoveProperty(wstring_to_utf8(propertyName));
}
variant JSAPI::Invoke(const std::wstring& methodName, const VariantList& args) {
    return Invoke(wstring_to_utf8(methodName), args);
}

} // namespace FB
