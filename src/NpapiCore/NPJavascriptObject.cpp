#include "src/NpapiCore/NPJavascriptObject.h"

#include <typeinfo>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiScriptFunctions.h"
#include "src/ScriptingCore/script_error.h"

namespace FB::Npapi {

namespace {

const char* const kAddListener = "addEventListener";
const char* const kRemoveListener = "removeEventListener";
const char* const kLastException = "getLastException";

NPJavascriptObject* self(NPObject* npobj) {
    return static_cast<NPJavascriptObject*>(npobj);
}

} // namespace

NPClass NPJavascriptObject::NPJavascriptObjectClass = {
    NP_CLASS_STRUCT_VERSION,
    &NPJavascriptObject::_Allocate,
    &NPJavascriptObject::_Deallocate,
    &NPJavascriptObject::_Invalidate,
    &NPJavascriptObject::_HasMethod,
    &NPJavascriptObject::_Invoke,
    &NPJavascriptObject::_InvokeDefault,
    &NPJavascriptObject::_HasProperty,
    &NPJavascriptObject::_GetProperty,
    &NPJavascriptObject::_SetProperty,
    &NPJavascriptObject::_RemoveProperty,
    &NPJavascriptObject::_Enumeration,
    &NPJavascriptObject::_Construct,
};

NPJavascriptObject::NPJavascriptObject(NPP)
    : m_selfToken(boost::make_shared<ShareableReference<NPJavascriptObject>>(this)) {
    _class = &NPJavascriptObjectClass;
    referenceCount = 1;
}

NPJavascriptObject::~NPJavascriptObject() {
    boost::shared_ptr<NpapiBrowserHost> host = m_hostRef.lock();
    if (!host) {
        return;
    }
    host->forgetJSAPIWrapper(m_cacheKey, this);
    if (m_releaseWithWrapper) {
        if (JSAPIPtr target = m_target.lock()) {
            host->releaseJSAPIPtr(target);
        }
    }
}

NPJavascriptObject* NPJavascriptObject::NewObject(const boost::shared_ptr<NpapiBrowserHost>& host,
                                                  const JSAPIWeakPtr& api,
                                                  bool releaseWithWrapper) {
    NPObject* object = host->CreateObject(&NPJavascriptObjectClass);
    if (!object) {
        return nullptr;
    }
    NPJavascriptObject* wrapper = self(object);
    wrapper->setAPI(api, host);
    wrapper->m_releaseWithWrapper = releaseWithWrapper;
    if (releaseWithWrapper) {
        if (JSAPIPtr target = api.lock()) {
            host->retainJSAPIPtr(target);
        }
    }
    return wrapper;
}

bool NPJavascriptObject::isNPJavaScriptObject(const NPObject* npo) {
    return npo && npo->_class == &NPJavascriptObjectClass;
}

void NPJavascriptObject::setAPI(const JSAPIWeakPtr& api,
                                const boost::shared_ptr<NpapiBrowserHost>& host) {
    m_target = api;
    m_hostRef = host;
}

JSAPIPtr NPJavascriptObject::getAPI() const {
    JSAPIPtr target = m_target.lock();
    if (!target) {
        throw std::bad_cast();
    }
    return target;
}

boost::shared_ptr<NpapiBrowserHost> NPJavascriptObject::getHost() {
    boost::shared_ptr<NpapiBrowserHost> host = m_hostRef.lock();
    if (!host) {
        Invalidate();
        throw std::bad_cast();
    }
    return host;
}

template <class F> bool NPJavascriptObject::guarded(F&& body) {
    if (!m_valid || m_target.expired() || m_hostRef.expired()) {
        return false;
    }
    try {
        return body();
    } catch (const std::bad_cast&) {
        // A lost object, a lost host or a value that does not convert: a quiet failure.
        return false;
    } catch (const std::exception& error) {
        // Script errors carry their text to the page. Any other error is reported the same way
        // rather than unwinding into the browser.
        NPO_getLastException::m_msg = std::string(error.what());
        if (boost::shared_ptr<NpapiBrowserHost> host = m_hostRef.lock()) {
            host->SetException(this, error.what());
        }
        return false;
    }
}

bool NPJavascriptObject::isBuiltin(const std::string& name) const {
    return name == kAddListener || name == kRemoveListener || name == kLastException;
}

void NPJavascriptObject::Invalidate() {
    m_valid = false;
    if (JSAPIPtr target = m_target.lock()) {
        target->invalidate();
    }
}

bool NPJavascriptObject::HasMethod(NPIdentifier name) {
    return guarded([&] {
        auto host = getHost();
        std::string method = host->StringFromIdentifier(name);
        if (method == "toString") {
            return true;
        }
        JSAPIPtr api = getAPI();
        // A method offered as a method object is read as a property first.
        return !api->HasMethodObject(method) && api->HasMethod(method);
    });
}

bool NPJavascriptObject::HasProperty(NPIdentifier name) {
    return guarded([&] {
        auto host = getHost();
        JSAPIPtr api = getAPI();
        if (!host->IdentifierIsString(name)) {
            return api->HasProperty(host->IntFromIdentifier(name));
        }
        std::string property = host->StringFromIdentifier(name);
        if (isBuiltin(property)) {
            return true;
        }
        if (property != "toString" && api->HasMethodObject(property)) {
            return true;
        }
        if (property == "toString" || api->HasMethod(property)) {
            return false;
        }
        return api->HasProperty(property);
    });
}

bool NPJavascriptObject::GetProperty(NPIdentifier name, NPVariant* result) {
    return guarded([&] {
        auto host = getHost();
        JSAPIPtr api = getAPI();
        variant value;
        if (!host->IdentifierIsString(name)) {
            value = api->GetProperty(host->IntFromIdentifier(name));
        } else {
            std::string property = host->StringFromIdentifier(name);
            if (property == kAddListener) {
                value = ownFunction<NPO_addEventListener>(m_addListener);
            } else if (property == kRemoveListener) {
                value = ownFunction<NPO_removeEventListener>(m_removeListener);
            } else if (property == kLastException) {
                value = ownFunction<NPO_getLastException>(m_lastExceptionFunction);
            } else if (api->HasMethodObject(property)) {
                value = api->GetMethodObject(property);
            } else {
                value = api->GetProperty(property);
            }
        }
        VOID_TO_NPVARIANT(*result);
        host->getNPVariant(result, value);
        return true;
    });
}

bool NPJavascriptObject::SetProperty(NPIdentifier name, const NPVariant* value) {
    return guarded([&] {
        auto host = getHost();
        JSAPIPtr api = getAPI();
        variant converted = host->getVariant(value);
        if (!host->IdentifierIsString(name)) {
            api->SetProperty(host->IntFromIdentifier(name), converted);
            return true;
        }
        std::string property = host->StringFromIdentifier(name);
        if (api->HasMethodObject(property)) {
            throw script_error("This property cannot be changed");
        }
        api->SetProperty(property, converted);
        return true;
    });
}

bool NPJavascriptObject::RemoveProperty(NPIdentifier name) {
    return guarded([&] {
        auto host = getHost();
        JSAPIPtr api = getAPI();
        if (host->IdentifierIsString(name)) {
            api->RemoveProperty(host->StringFromIdentifier(name));
        } else {
            api->RemoveProperty(host->IntFromIdentifier(name));
        }
        return true;
    });
}

bool NPJavascriptObject::callWithArgs(const std::string& name, const NPVariant* args,
                                      uint32_t argCount, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return guarded([&] {
        auto host = getHost();
        JSAPIPtr api = getAPI();
        VariantList list;
        list.reserve(argCount);
        for (uint32_t i = 0; i < argCount; ++i) {
            list.push_back(host->getVariant(&args[i]));
        }
        variant answer = api->Invoke(name, list);
        host->getNPVariant(result, answer);
        return true;
    });
}

bool NPJavascriptObject::Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount,
                                NPVariant* result) {
    std::string method;
    if (!guarded([&] {
            method = getHost()->StringFromIdentifier(name);
            return true;
        })) {
        return false;
    }
    return callWithArgs(method, args, argCount, result);
}

bool NPJavascriptObject::InvokeDefault(const NPVariant* args, uint32_t argCount,
                                       NPVariant* result) {
    return callWithArgs("", args, argCount, result);
}

bool NPJavascriptObject::Construct(const NPVariant* args, uint32_t argCount, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return guarded([&] {
        auto host = getHost();
        VariantList list;
        for (uint32_t i = 0; i < argCount; ++i) {
            list.push_back(host->getVariant(&args[i]));
        }
        host->getNPVariant(result, getAPI()->Construct(list));
        return true;
    });
}

bool NPJavascriptObject::Enumeration(NPIdentifier** value, uint32_t* count) {
    return guarded([&] {
        auto host = getHost();
        std::vector<std::string> names;
        getAPI()->getMemberNames(names);
        names.insert(names.end(), {kAddListener, kRemoveListener, kLastException});
        auto* ids = static_cast<NPIdentifier*>(
            host->MemAlloc(static_cast<uint32_t>(sizeof(NPIdentifier) * names.size())));
        if (!ids) {
            return false;
        }
        for (size_t i = 0; i < names.size(); ++i) {
            ids[i] = host->GetStringIdentifier(names[i].c_str());
        }
        *value = ids;
        *count = static_cast<uint32_t>(names.size());
        return true;
    });
}

NPObject* NPJavascriptObject::_Allocate(NPP npp, NPClass*) {
    return new NPJavascriptObject(npp);
}

void NPJavascriptObject::_Deallocate(NPObject* npobj) {
    delete self(npobj);
}

void NPJavascriptObject::_Invalidate(NPObject* npobj) {
    self(npobj)->Invalidate();
}

bool NPJavascriptObject::_HasMethod(NPObject* npobj, NPIdentifier name) {
    return self(npobj)->HasMethod(name);
}

bool NPJavascriptObject::_Invoke(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                 uint32_t argCount, NPVariant* result) {
    return self(npobj)->Invoke(name, args, argCount, result);
}

bool NPJavascriptObject::_InvokeDefault(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                        NPVariant* result) {
    return self(npobj)->InvokeDefault(args, argCount, result);
}

bool NPJavascriptObject::_HasProperty(NPObject* npobj, NPIdentifier name) {
    return self(npobj)->HasProperty(name);
}

bool NPJavascriptObject::_GetProperty(NPObject* npobj, NPIdentifier name, NPVariant* result) {
    return self(npobj)->GetProperty(name, result);
}

bool NPJavascriptObject::_SetProperty(NPObject* npobj, NPIdentifier name, const NPVariant* value) {
    return self(npobj)->SetProperty(name, value);
}

bool NPJavascriptObject::_RemoveProperty(NPObject* npobj, NPIdentifier name) {
    return self(npobj)->RemoveProperty(name);
}

bool NPJavascriptObject::_Enumeration(NPObject* npobj, NPIdentifier** value, uint32_t* count) {
    return self(npobj)->Enumeration(value, count);
}

bool NPJavascriptObject::_Construct(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                    NPVariant* result) {
    return self(npobj)->Construct(args, argCount, result);
}

} // namespace FB::Npapi
