// FB::Npapi::NpapiPluginModule: one object per calling browser image, holding that browser's
// function table, with the static NPP functions that find the instance and forward to its wrapper.
//
// Thread contract: entry points and NPP functions run on the browser's main thread; the module map
// is not locked. scheduleAsyncCallback may be called from any thread.
#pragma once

#include <map>
#include <string>

#include <boost/noncopyable.hpp>
#include <boost/thread/thread.hpp>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace FB::Npapi {

class NpapiPluginModule : private boost::noncopyable {
public:
    NpapiPluginModule();
    virtual ~NpapiPluginModule();

    // The module for the browser image `key`, made on first use; the first module runs the
    // factory's global initialisation.
    static NpapiPluginModule* GetModule(const void* key);
    // Releases the module for `key`; the last one runs the global deinitialisation.
    static void ReleaseModule(const void* key);
    static int moduleCount();

    void setNetscapeFuncs(NPNetscapeFuncs* npnFuncs);
    void getPluginFuncs(NPPluginFuncs* pFuncs);
    const NPNetscapeFuncs& netscapeFuncs() const { return NPNFuncs; }

    void Version(int* plugin_major, int* plugin_minor, int* netscape_major, int* netscape_minor);
    void* MemAlloc(uint32_t size);
    void MemFree(void* ptr);
    uint32_t MemFlush(uint32_t size);
    void ReloadPlugins(NPBool reloadPages);
    void ReleaseVariantValue(NPVariant* variant);
    NPIdentifier GetStringIdentifier(const NPUTF8* name);
    void GetStringIdentifiers(const NPUTF8** names, int32_t nameCount, NPIdentifier* identifiers);
    NPIdentifier GetIntIdentifier(int32_t intid);
    bool IdentifierIsString(NPIdentifier identifier);
    NPUTF8* UTF8FromIdentifier(NPIdentifier identifier);
    std::string StringFromIdentifier(NPIdentifier identifier);
    int32_t IntFromIdentifier(NPIdentifier identifier);
    NPObject* RetainObject(NPObject* npobj);
    void ReleaseObject(NPObject* npobj);
    bool isMainThread() const { return boost::this_thread::get_id() == m_threadId; }
    void assertMainThread() const {}

    // Hands a call to the one-shot manager (the NPN_PluginThreadAsyncCall the hosts see).
    static void scheduleAsyncCallback(NPP npp, void (*func)(void*), void* userData);

    // NPP functions.
    static NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                           char* argn[], char* argv[], NPSavedData* saved);
    static NPError NPP_Destroy(NPP instance, NPSavedData** save);
    static NPError NPP_SetWindow(NPP instance, NPWindow* window);
    static NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                                 uint16_t* stype);
    static NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
    static int32_t NPP_WriteReady(NPP instance, NPStream* stream);
    static int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                             void* buffer);
    static void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
    static void NPP_Print(NPP instance, NPPrint* platformPrint);
    static int16_t NPP_HandleEvent(NPP instance, void* event);
    static void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
    static NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value);
    static NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value);

    // The module that made an instance, known to its NPP functions.
    static NpapiPluginModule* moduleFor(const void* key);
    // The key of the image that called the entry point running now (dladdr of the return address).
    static const void* callerKey(const void* returnAddress);

protected:
    NPNetscapeFuncs NPNFuncs;
    boost::thread::id m_threadId;

    static std::map<const void*, NpapiPluginModule*> m_modules;
    static int PluginModuleInitialized;
};

} // namespace FB::Npapi
