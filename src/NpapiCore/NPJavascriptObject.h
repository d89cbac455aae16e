// FB::Npapi::NPJavascriptObject: the browser-side face of one scriptable object, an NPObject whose
// class callbacks turn the page's property reads, writes, calls and enumeration into calls on the
// object. It holds the object weakly (never keeps it alive) and offers three script functions of
// its own: "addEventListener", "removeEventListener" and "getLastException".
//
// Thread contract: the browser calls it on the main thread only. Script errors become script
// exceptions with their text; no exception ever returns into the browser.
#pragma once

#include <string>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "src/NpapiCore/ShareableReference.h"
#include "src/NpapiCore/npapi/npapi_all.h"
#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/variant.h"

namespace FB::Npapi {

class NpapiBrowserHost;

class NPJavascriptObject : public NPObject {
public:
    // Made through the browser (NPN_CreateObject); with releaseWithWrapper the host keeps the
    // object alive as long as the wrapper lives.
    static NPJavascriptObject* NewObject(const boost::shared_ptr<NpapiBrowserHost>& host,
                                         const JSAPIWeakPtr& api, bool releaseWithWrapper);
    static bool isNPJavaScriptObject(const NPObject* npo);
    static NPClass NPJavascriptObjectClass;

    void setAPI(const JSAPIWeakPtr& api, const boost::shared_ptr<NpapiBrowserHost>& host);
    // Throws std::bad_cast when the object is gone.
    JSAPIPtr getAPI() const;
    // Throws std::bad_cast (and invalidates the wrapper) when the host is gone.
    boost::shared_ptr<NpapiBrowserHost> getHost();
    boost::weak_ptr<ShareableReference<NPJavascriptObject>> getWeakReference() const {
        return m_selfToken;
    }
    bool isValid() const { return m_valid; }
    bool wraps(const JSAPIPtr& api) const { return m_target.lock() == api; }
    // The key under which the host's wrapper cache finds this wrapper (the wrapped object's
    // address); the wrapper takes its entry out when it goes.
    void setCacheKey(const void* key) { m_cacheKey = key; }

private:
    explicit NPJavascriptObject(NPP npp);
    ~NPJavascriptObject();

    // The class callbacks; each guards against a lost object or host and answers false then.
    void Invalidate();
    bool HasMethod(NPIdentifier name);
    bool Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result);
    bool InvokeDefault(const NPVariant* args, uint32_t argCount, NPVariant* result);
    bool HasProperty(NPIdentifier name);
    bool GetProperty(NPIdentifier name, NPVariant* result);
    bool SetProperty(NPIdentifier name, const NPVariant* value);
    bool RemoveProperty(NPIdentifier name);
    bool Enumeration(NPIdentifier** value, uint32_t* count);
    bool Construct(const NPVariant* args, uint32_t argCount, NPVariant* result);

    // Runs a member body, turning errors into the browser's answers.
    template <class F> bool guarded(F&& body);
    bool callWithArgs(const std::string& name, const NPVariant* args, uint32_t argCount,
                      NPVariant* result);
    bool isBuiltin(const std::string& name) const;

    static NPObject* _Allocate(NPP npp, NPClass* aClass);
    static void _Deallocate(NPObject* npobj);
    static void _Invalidate(NPObject* npobj);
    static bool _HasMethod(NPObject* npobj, NPIdentifier name);
    static bool _Invoke(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                        uint32_t argCount, NPVariant* result);
    static bool _InvokeDefault(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                               NPVariant* result);
    static bool _HasProperty(NPObject* npobj, NPIdentifier name);
    static bool _GetProperty(NPObject* npobj, NPIdentifier name, NPVariant* result);
    static bool _SetProperty(NPObject* npobj, NPIdentifier name, const NPVariant* value);
    static bool _RemoveProperty(NPObject* npobj, NPIdentifier name);
    static bool _Enumeration(NPObject* npobj, NPIdentifier** value, uint32_t* count);
    static bool _Construct(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                           NPVariant* result);

    JSAPIWeakPtr m_target;
    boost::weak_ptr<NpapiBrowserHost> m_hostRef;
    bool m_valid = true;
    bool m_releaseWithWrapper = false;
    boost::shared_ptr<ShareableReference<NPJavascriptObject>> m_selfToken;
    const void* m_cacheKey = nullptr;
    // Made on the page's first read: most wrappers never see these three functions, and a page may
    // hold tens of thousands of wrappers.
    JSAPIPtr m_addListener;
    JSAPIPtr m_removeListener;
    JSAPIPtr m_lastExceptionFunction;

    template <class Function> const JSAPIPtr& ownFunction(JSAPIPtr& function) {
        if (!function) {
            function = boost::make_shared<Function>(m_selfToken);
        }
        return function;
    }
};

} // namespace FB::Npapi
