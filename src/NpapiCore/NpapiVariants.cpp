// The value mappings between the browser's NPVariant and FB::variant.
#include <cstring>
#include <functional>
#include <map>
#include <typeindex>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NPObjectAPI.h"
#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB::Npapi {

namespace {

using Builder = std::function<void(NpapiBrowserHost&, NPVariant*, const variant&)>;

// Strings handed to the browser live in its allocator so that it can free them.
void makeString(NpapiBrowserHost& host, NPVariant* dst, const std::string& text) {
    auto* copy = static_cast<NPUTF8*>(host.MemAlloc(static_cast<uint32_t>(text.size() + 1)));
    if (!copy) {
        NULL_TO_NPVARIANT(*dst);
        return;
    }
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    STRINGN_TO_NPVARIANT(copy, static_cast<uint32_t>(text.size()), *dst);
}

template <class T> Builder asInt() {
    return [](NpapiBrowserHost&, NPVariant* dst, const variant& v) {
        INT32_TO_NPVARIANT(static_cast<int32_t>(v.cast<T>()), *dst);
    };
}

// Numbers that may not fit a 32-bit integer reach the page as decimal text.
template <class T> Builder asDecimal() {
    return [](NpapiBrowserHost& host, NPVariant* dst, const variant& v) {
        makeString(host, dst, std::to_string(v.cast<T>()));
    };
}

template <class T> Builder asDouble() {
    return [](NpapiBrowserHost&, NPVariant* dst, const variant& v) {
        DOUBLE_TO_NPVARIANT(static_cast<double>(v.cast<T>()), *dst);
    };
}

void makeObject(NpapiBrowserHost& host, NPVariant* dst, const JSAPIPtr& api) {
    if (!api) {
        NULL_TO_NPVARIANT(*dst);
        return;
    }
    if (auto handle = boost::dynamic_pointer_cast<NPObjectAPI>(api)) {
        NPObject* object = handle->getNPObject();
        if (!object) {
            NULL_TO_NPVARIANT(*dst);
            return;
        }
        OBJECT_TO_NPVARIANT(host.RetainObject(object), *dst);
        return;
    }
    NPObject* wrapper = host.getJSAPIWrapper(api, true);
    if (wrapper) {
        OBJECT_TO_NPVARIANT(wrapper, *dst);
    } else {
        NULL_TO_NPVARIANT(*dst);
    }
}

// A page object made by the page's own constructor, filled element by element.
void makeContainer(NpapiBrowserHost& host, NPVariant* dst, const variant& v, bool list) {
    JSObjectPtr object =
        list ? host.getDOMWindow()->createArray() : host.getDOMWindow()->createMap();
    if (list) {
        for (const variant& element : v.cast<VariantList>()) {
            object->Invoke("push", VariantList{element});
        }
    } else {
        for (const auto& [key, value] : v.cast<VariantMap>()) {
            object->SetProperty(key, value);
        }
    }
    makeObject(host, dst, object);
}

const std::map<std::type_index, Builder>& builders() {
    static const std::map<std::type_index, Builder> map = {
        {typeid(bool), [](NpapiBrowserHost&, NPVariant* dst,
                          const variant& v) { BOOLEAN_TO_NPVARIANT(v.cast<bool>(), *dst); }},
        {typeid(char), asInt<char>()},
        {typeid(unsigned char), asInt<unsigned char>()},
        {typeid(short), asInt<short>()},
        {typeid(unsigned short), asInt<unsigned short>()},
        {typeid(int), asInt<int>()},
        {typeid(unsigned int), asDecimal<unsigned int>()},
        {typeid(long), asDecimal<long>()},
        {typeid(unsigned long), asDecimal<unsigned long>()},
        {typeid(long long), asDecimal<long long>()},
        {typeid(unsigned long long), asDecimal<unsigned long long>()},
        {typeid(float), asDouble<float>()},
        {typeid(double), asDouble<double>()},
        {typeid(std::string),
         [](NpapiBrowserHost& host, NPVariant* dst, const variant& v) {
             makeString(host, dst, v.cast<std::string>());
         }},
        {typeid(std::wstring),
         [](NpapiBrowserHost& host, NPVariant* dst, const variant& v) {
             makeString(host, dst, wstring_to_utf8(v.cast<std::wstring>()));
         }},
        {typeid(variant_detail::null),
         [](NpapiBrowserHost&, NPVariant* dst, const variant&) { NULL_TO_NPVARIANT(*dst); }},
        {typeid(variant_detail::empty),
         [](NpapiBrowserHost&, NPVariant* dst, const variant&) { VOID_TO_NPVARIANT(*dst); }},
        {typeid(VariantList), [](NpapiBrowserHost& host, NPVariant* dst,
                                 const variant& v) { makeContainer(host, dst, v, true); }},
        {typeid(VariantMap), [](NpapiBrowserHost& host, NPVariant* dst,
                                const variant& v) { makeContainer(host, dst, v, false); }},
        {typeid(JSAPIPtr), [](NpapiBrowserHost& host, NPVariant* dst,
                              const variant& v) { makeObject(host, dst, v.cast<JSAPIPtr>()); }},
        {typeid(JSAPIWeakPtr),
         [](NpapiBrowserHost& host, NPVariant* dst, const variant& v) {
             makeObject(host, dst, v.cast<JSAPIWeakPtr>().lock());
         }},
        {typeid(JSObjectPtr),
         [](NpapiBrowserHost& host, NPVariant* dst, const variant& v) {
             makeObject(host, dst, v.cast<JSObjectPtr>());
         }},
    };
    return map;
}

} // namespace

void NpapiBrowserHost::getNPVariant(NPVariant* dst, const variant& var) {
    auto builder = builders().find(var.get_type());
    if (builder != builders().end()) {
        builder->second(*this, dst, var);
    }
}

variant NpapiBrowserHost::getVariant(const NPVariant* npVar) {
    switch (npVar->type) {
    case NPVariantType_Null:
        return variant(variant_detail::null());
    case NPVariantType_Bool:
        return NPVARIANT_TO_BOOLEAN(*npVar);
    case NPVariantType_Int32:
        return NPVARIANT_TO_INT32(*npVar);
    case NPVariantType_Double:
        return NPVARIANT_TO_DOUBLE(*npVar);
    case NPVariantType_String: {
        const NPString& text = NPVARIANT_TO_STRING(*npVar);
        return std::string(text.UTF8Characters ? text.UTF8Characters : "", text.UTF8Length);
    }
    case NPVariantType_Object:
        return JSObjectPtr(
            boost::make_shared<NPObjectAPI>(NPVARIANT_TO_OBJECT(*npVar), shared_ptr()));
    case NPVariantType_Void:
    default:
        return variant();
    }
}

} // namespace FB::Npapi
