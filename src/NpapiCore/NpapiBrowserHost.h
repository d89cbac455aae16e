// FB::Npapi::NpapiBrowserHost: the NPAPI implementation of FB::BrowserHost, one per plug-in
// instance. It holds the instance's copy of the browser function table and offers every browser
// service the rest of the system uses: calls into page objects, the window, document and plug-in
// element, script evaluation, URL streams, the browser's proxy answer, main-thread scheduling
// (through the one-shot manager), the deferred release of browser objects and the cache of script
// wrappers.
//
// Thread contract: the browser wrappers run on the main thread only. deferred_release and the base
// class's cross-thread operations may be called from any thread. After shutdown every browser call
// made through the instance table is a no-op with its empty-entry answer; global services (memory,
// identifiers, object references) go through the module's table, which stays valid.
#pragma once

#include <string>
#include <unordered_map>

#include "src/NpapiCore/SafeQueue.h"
#include "src/NpapiCore/ShareableReference.h"
#include "src/NpapiCore/npapi/npapi_all.h"
#include "src/ScriptingCore/BrowserHost.h"

namespace FB::Npapi {

class NpapiPluginModule;
class NPJavascriptObject;
class NpapiBrowserHost;
using NpapiBrowserHostPtr = boost::shared_ptr<NpapiBrowserHost>;
using NpapiBrowserHostWeakPtr = boost::weak_ptr<NpapiBrowserHost>;

// Copies the browser table by its version; the thread-async entry always becomes the one-shot
// manager's, never the browser's own.
void copyNPBrowserFuncs(NPNetscapeFuncs* dst, const NPNetscapeFuncs* src, NPP npp);

class NpapiBrowserHost : public FB::BrowserHost {
public:
    NpapiBrowserHost(NpapiPluginModule* module, NPP npp);
    ~NpapiBrowserHost() override;

    NpapiBrowserHostPtr shared_ptr() {
        return boost::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
    }

    // Copies the table, then looks up the window, the plug-in element and the document.
    void setBrowserFuncs(const NPNetscapeFuncs* pFuncs);
    NpapiPluginModule* getModule() const { return m_module; }
    NPP getNPP() const { return m_npp; }

    void* getContextID() const override { return m_npp; }
    DOM::DocumentPtr getDOMDocument() override;
    DOM::WindowPtr getDOMWindow() override;
    DOM::ElementPtr getDOMElement() override;
    void evaluateJavaScript(const std::string& script) override;
    using FB::BrowserHost::evaluateJavaScript;
    void Navigate(const std::string& url, const std::string& target) override;
    void shutdown() override;
    void DoDeferredRelease() const override;

    // Value conversions between the browser and the scripting layer.
    variant getVariant(const NPVariant* npVar);
    // Writes nothing for a type it cannot convert (the caller sets void first).
    void getNPVariant(NPVariant* dst, const variant& var);
    // The one browser object for a scriptable object while its wrapper lives (retained for the
    // caller).
    NPObject* getJSAPIWrapper(const JSAPIPtr& api, bool releaseWithWrapper);
    // A wrapper going away takes its own cache entry out (not one a newer wrapper made for an
    // object at the same address).
    void forgetJSAPIWrapper(const void* key, const NPJavascriptObject* wrapper);
    // Releases the browser object on the main thread (at once when already there).
    void deferred_release(NPObject* obj) const;

    // Thin wrappers over the instance table; each answers neutrally when the entry is empty.
    NPError GetValue(NPNVariable variable, void* value) const;
    NPError SetValue(NPPVariable variable, void* value) const;
    NPError GetURL(const char* url, const char* target) const;
    NPError GetURLNotify(const char* url, const char* target, void* notifyData) const;
    NPError PostURL(const char* url, const char* target, uint32_t len, const char* buf,
                    NPBool file) const;
    NPError PostURLNotify(const char* url, const char* target, uint32_t len, const char* buf,
                          NPBool file, void* notifyData) const;
    NPError RequestRead(NPStream* stream, NPByteRange* rangeList) const;
    NPError NewStream(NPMIMEType type, const char* target, NPStream** stream) const;
    int32_t Write(NPStream* stream, int32_t len, void* buffer) const;
    NPError DestroyStream(NPStream* stream, NPReason reason) const;
    void SetStatus(const char* message) const;
    void InvalidateRect(NPRect* invalidRect) const;
    void ForceRedraw() const;
    void PushPopupsEnabledState(NPBool enabled) const;
    void PopPopupsEnabledState() const;
    bool Invoke(NPObject* npobj, NPIdentifier methodName, const NPVariant* args, uint32_t argCount,
                NPVariant* result) const;
    bool InvokeDefault(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                       NPVariant* result) const;
    bool Evaluate(NPObject* npobj, NPString* script, NPVariant* result) const;
    bool GetProperty(NPObject* npobj, NPIdentifier propertyName, NPVariant* result) const;
    bool SetProperty(NPObject* npobj, NPIdentifier propertyName, const NPVariant* value) const;
    bool RemoveProperty(NPObject* npobj, NPIdentifier propertyName) const;
    bool HasProperty(NPObject* npobj, NPIdentifier propertyName) const;
    bool HasMethod(NPObject* npobj, NPIdentifier methodName) const;
    bool Enumerate(NPObject* npobj, NPIdentifier** identifiers, uint32_t* count) const;
    bool Construct(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                   NPVariant* result) const;
    NPObject* CreateObject(NPClass* aClass) const;
    void SetException(NPObject* obj, const NPUTF8* message) const;
    uint32_t ScheduleTimer(uint32_t interval, NPBool repeat,
                           void (*timerFunc)(NPP npp, uint32_t timerID)) const;
    void UnscheduleTimer(uint32_t timerID) const;

    // Global services, through the module's table.
    void* MemAlloc(uint32_t size) const;
    void MemFree(void* ptr) const;
    NPObject* RetainObject(NPObject* npobj) const;
    void ReleaseObject(NPObject* npobj) const;
    void ReleaseVariantValue(NPVariant* variant) const;
    NPIdentifier GetStringIdentifier(const NPUTF8* name) const;
    NPIdentifier GetIntIdentifier(int32_t intid) const;
    bool IdentifierIsString(NPIdentifier identifier) const;
    std::string StringFromIdentifier(NPIdentifier identifier) const;
    int32_t IntFromIdentifier(NPIdentifier identifier) const;

protected:
    bool _scheduleAsyncCall(void (*func)(void*), void* userData) const override;
    BrowserStreamPtr _createStream(const BrowserStreamRequest& req) const override;

private:
    NPNetscapeFuncs m_funcs;
    NpapiPluginModule* m_module;
    NPP m_npp;
    JSObjectPtr m_pageDocument;
    JSObjectPtr m_pageWindow;
    JSObjectPtr m_pluginElement;
    mutable SafeQueue<NPObject*> m_releaseQueue;
    using WrapperRef = boost::weak_ptr<ShareableReference<NPJavascriptObject>>;
    std::unordered_map<const void*, WrapperRef> m_wrapperCache; // main thread only
    mutable std::string m_postBuffer;                           // main thread only
};

} // namespace FB::Npapi
