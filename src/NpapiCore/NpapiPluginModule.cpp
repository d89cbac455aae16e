#include "src/NpapiCore/NpapiPluginModule.h"

#include <cstring>
#include <dlfcn.h>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiInstanceData.h"
#include "src/NpapiCore/NpapiPlugin.h"
#include "src/NpapiCore/OneShotManager.h"
#include "src/PluginCore/FactoryBase.h"
#include "src/ScriptingCore/logging.h"

namespace FB::Npapi {

std::map<const void*, NpapiPluginModule*> NpapiPluginModule::m_modules;
int NpapiPluginModule::PluginModuleInitialized = 0;

namespace {

NpapiInstanceData* record(NPP instance) {
    return instance ? static_cast<NpapiInstanceData*>(instance->pdata) : nullptr;
}

std::string pointerText(const void* pointer) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

// The NPP functions are called by the browser's C code: nothing may unwind into it.
template <class R, class F> R shielded(R failure, F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        Log::error("NPAPI", std::string("unexpected error: ") + e.what());
        return failure;
    }
}

} // namespace

boost::shared_ptr<NpapiPlugin> getPlugin(NPP instance) {
    NpapiInstanceData* data = record(instance);
    return data ? data->plugin : boost::shared_ptr<NpapiPlugin>();
}

NpapiPluginModule::NpapiPluginModule() : m_threadId(boost::this_thread::get_id()) {
    std::memset(&NPNFuncs, 0, sizeof(NPNFuncs));
}

NpapiPluginModule::~NpapiPluginModule() = default;

const void* NpapiPluginModule::callerKey(const void* returnAddress) {
    Dl_info info;
    if (dladdr(returnAddress, &info) && info.dli_fbase) {
        return info.dli_fbase;
    }
    return nullptr;
}

NpapiPluginModule* NpapiPluginModule::GetModule(const void* key) {
    if (PluginModuleInitialized == 0) {
        Log::initLogging();
        getFactoryInstance()->globalPluginInitialize();
    }
    auto found = m_modules.find(key);
    if (found != m_modules.end()) {
        return found->second;
    }
    auto* module = new NpapiPluginModule();
    m_modules[key] = module;
    ++PluginModuleInitialized;
    return module;
}

NpapiPluginModule* NpapiPluginModule::moduleFor(const void* key) {
    auto found = m_modules.find(key);
    return found == m_modules.end() ? nullptr : found->second;
}

void NpapiPluginModule::ReleaseModule(const void* key) {
    auto found = m_modules.find(key);
    if (found != m_modules.end()) {
        delete found->second;
        m_modules.erase(found);
        --PluginModuleInitialized;
    }
    if (PluginModuleInitialized == 0) {
        getFactoryInstance()->globalPluginDeinitialize();
        Log::stopLogging();
    }
}

int NpapiPluginModule::moduleCount() {
    return PluginModuleInitialized;
}

void NpapiPluginModule::setNetscapeFuncs(NPNetscapeFuncs* npnFuncs) {
    std::memset(&NPNFuncs, 0, sizeof(NPNFuncs));
    // A browser table may be shorter than ours; copy only what it declares.
    size_t size =
        std::min<size_t>(npnFuncs->size ? npnFuncs->size : sizeof(NPNFuncs), sizeof(NPNFuncs));
    std::memcpy(&NPNFuncs, npnFuncs, size);
}

void NpapiPluginModule::getPluginFuncs(NPPluginFuncs* pFuncs) {
    pFuncs->newp = &NpapiPluginModule::NPP_New;
    pFuncs->destroy = &NpapiPluginModule::NPP_Destroy;
    pFuncs->setwindow = &NpapiPluginModule::NPP_SetWindow;
    pFuncs->newstream = &NpapiPluginModule::NPP_NewStream;
    pFuncs->destroystream = &NpapiPluginModule::NPP_DestroyStream;
    pFuncs->asfile = &NpapiPluginModule::NPP_StreamAsFile;
    pFuncs->writeready = &NpapiPluginModule::NPP_WriteReady;
    pFuncs->write = &NpapiPluginModule::NPP_Write;
    pFuncs->print = &NpapiPluginModule::NPP_Print;
    pFuncs->event = &NpapiPluginModule::NPP_HandleEvent;
    pFuncs->urlnotify = &NpapiPluginModule::NPP_URLNotify;
    pFuncs->getvalue = &NpapiPluginModule::NPP_GetValue;
    pFuncs->setvalue = &NpapiPluginModule::NPP_SetValue;
}

void NpapiPluginModule::Version(int* plugin_major, int* plugin_minor, int* netscape_major,
                                int* netscape_minor) {
    *plugin_major = NP_VERSION_MAJOR;
    *plugin_minor = NP_VERSION_MINOR;
    *netscape_major = NPNFuncs.version >> 8;
    *netscape_minor = NPNFuncs.version & 0xFF;
}

void* NpapiPluginModule::MemAlloc(uint32_t size) {
    return NPNFuncs.memalloc ? NPNFuncs.memalloc(size) : nullptr;
}

void NpapiPluginModule::MemFree(void* ptr) {
    if (NPNFuncs.memfree && ptr) {
        NPNFuncs.memfree(ptr);
    }
}

uint32_t NpapiPluginModule::MemFlush(uint32_t size) {
    return NPNFuncs.memflush ? NPNFuncs.memflush(size) : 0;
}

void NpapiPluginModule::ReloadPlugins(NPBool reloadPages) {
    if (NPNFuncs.reloadplugins) {
        NPNFuncs.reloadplugins(reloadPages);
    }
}

void NpapiPluginModule::ReleaseVariantValue(NPVariant* variant) {
    if (NPNFuncs.releasevariantvalue) {
        NPNFuncs.releasevariantvalue(variant);
    }
}

NPIdentifier NpapiPluginModule::GetStringIdentifier(const NPUTF8* name) {
    return NPNFuncs.getstringidentifier ? NPNFuncs.getstringidentifier(name) : nullptr;
}

void NpapiPluginModule::GetStringIdentifiers(const NPUTF8** names, int32_t nameCount,
                                             NPIdentifier* identifiers) {
    if (NPNFuncs.getstringidentifiers) {
        NPNFuncs.getstringidentifiers(names, nameCount, identifiers);
    }
}

NPIdentifier NpapiPluginModule::GetIntIdentifier(int32_t intid) {
    return NPNFuncs.getintidentifier ? NPNFuncs.getintidentifier(intid) : nullptr;
}

bool NpapiPluginModule::IdentifierIsString(NPIdentifier identifier) {
    return NPNFuncs.identifierisstring ? NPNFuncs.identifierisstring(identifier) : true;
}

NPUTF8* NpapiPluginModule::UTF8FromIdentifier(NPIdentifier identifier) {
    return NPNFuncs.utf8fromidentifier ? NPNFuncs.utf8fromidentifier(identifier) : nullptr;
}

std::string NpapiPluginModule::StringFromIdentifier(NPIdentifier identifier) {
    NPUTF8* text = UTF8FromIdentifier(identifier);
    if (!text) {
        return std::string();
    }
    std::string result(text);
    MemFree(text);
    return result;
}

int32_t NpapiPluginModule::IntFromIdentifier(NPIdentifier identifier) {
    return NPNFuncs.intfromidentifier ? NPNFuncs.intfromidentifier(identifier) : 0;
}

NPObject* NpapiPluginModule::RetainObject(NPObject* npobj) {
    if (NPNFuncs.retainobject && npobj) {
        NPNFuncs.retainobject(npobj);
    }
    return npobj;
}

void NpapiPluginModule::ReleaseObject(NPObject* npobj) {
    if (NPNFuncs.releaseobject && npobj) {
        NPNFuncs.releaseobject(npobj);
    }
}

void NpapiPluginModule::scheduleAsyncCallback(NPP npp, void (*func)(void*), void* userData) {
    OneShotManager::getInstance().npp_scheduleAsyncCallback(npp, func, userData);
}

NPError NpapiPluginModule::NPP_New(NPMIMEType pluginType, NPP instance, uint16_t, int16_t argc,
                                   char* argn[], char* argv[], NPSavedData*) {
    Log::info("NPAPI", "NPP_New: " + pointerText(instance));
    if (!instance) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    NpapiPluginModule* module = GetModule(callerKey(__builtin_return_address(0)));
    return shielded<NPError>(NPERR_GENERIC_ERROR, [&]() -> NPError {
        auto host = boost::make_shared<NpapiBrowserHost>(module, instance);
        host->setBrowserFuncs(&module->NPNFuncs);
        std::string mimetype = pluginType ? pluginType : "";
        boost::shared_ptr<NpapiPlugin> plugin =
            getFactoryInstance()->createNpapiPlugin(host, mimetype);
        if (!plugin) {
            host->shutdown();
            return NPERR_OUT_OF_MEMORY_ERROR;
        }
        OneShotManager::getInstance().npp_register(instance,
                                                   module->NPNFuncs.pluginthreadasynccall);
        instance->pdata = new NpapiInstanceData{host, plugin};
        plugin->init(pluginType, argc, argn, argv);
        return NPERR_NO_ERROR;
    });
}

NPError NpapiPluginModule::NPP_Destroy(NPP instance, NPSavedData**) {
    Log::info("NPAPI", "NPP_Destroy: " + pointerText(instance));
    NpapiInstanceData* data = record(instance);
    if (!data) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    return shielded<NPError>(NPERR_NO_ERROR, [&]() -> NPError {
        data->host->shutdown();
        if (data->plugin) {
            data->plugin->shutdown();
        }
        instance->pdata = nullptr;
        OneShotManager::getInstance().npp_unregister(instance);
        delete data;
        return NPERR_NO_ERROR;
    });
}

NPError NpapiPluginModule::NPP_SetWindow(NPP instance, NPWindow* window) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin
               ? shielded<NPError>(NPERR_GENERIC_ERROR, [&] { return plugin->SetWindow(window); })
               : NPERR_NO_ERROR;
}

NPError NpapiPluginModule::NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream,
                                         NPBool seekable, uint16_t* stype) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin
               ? shielded<NPError>(NPERR_GENERIC_ERROR,
                                   [&] { return plugin->NewStream(type, stream, seekable, stype); })
               : NPERR_GENERIC_ERROR;
}

NPError NpapiPluginModule::NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin ? shielded<NPError>(NPERR_GENERIC_ERROR,
                                      [&] { return plugin->DestroyStream(stream, reason); })
                  : NPERR_GENERIC_ERROR;
}

int32_t NpapiPluginModule::NPP_WriteReady(NPP instance, NPStream* stream) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin ? shielded<int32_t>(-1, [&] { return plugin->WriteReady(stream); })
                  : NPERR_GENERIC_ERROR;
}

int32_t NpapiPluginModule::NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                     void* buffer) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin
               ? shielded<int32_t>(-1, [&] { return plugin->Write(stream, offset, len, buffer); })
               : NPERR_GENERIC_ERROR;
}

void NpapiPluginModule::NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname) {
    if (auto plugin = getPlugin(instance)) {
        shielded<bool>(false, [&] {
            plugin->StreamAsFile(stream, fname);
            return true;
        });
    }
}

void NpapiPluginModule::NPP_Print(NPP instance, NPPrint* platformPrint) {
    if (auto plugin = getPlugin(instance)) {
        plugin->Print(platformPrint);
    }
}

int16_t NpapiPluginModule::NPP_HandleEvent(NPP instance, void* event) {
    auto plugin = getPlugin(instance);
    return plugin ? shielded<int16_t>(0, [&] { return plugin->HandleEvent(event); }) : 0;
}

void NpapiPluginModule::NPP_URLNotify(NPP instance, const char* url, NPReason reason,
                                      void* notifyData) {
    if (auto plugin = getPlugin(instance)) {
        shielded<bool>(false, [&] {
            plugin->URLNotify(url, reason, notifyData);
            return true;
        });
    }
}

NPError NpapiPluginModule::NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
    if (!record(instance)) {
        // The browser asks for the name and description before any instance exists.
        static const std::string name = getFactoryInstance()->getPluginName("");
        static const std::string description = getFactoryInstance()->getPluginDescription("");
        if (variable == NPPVpluginNameString) {
            *static_cast<const char**>(value) = name.c_str();
            return NPERR_NO_ERROR;
        }
        if (variable == NPPVpluginDescriptionString) {
            *static_cast<const char**>(value) = description.c_str();
            return NPERR_NO_ERROR;
        }
        return NPERR_GENERIC_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin ? shielded<NPError>(NPERR_GENERIC_ERROR,
                                      [&] { return plugin->GetValue(variable, value); })
                  : NPERR_NO_ERROR;
}

NPError NpapiPluginModule::NPP_SetValue(NPP instance, NPNVariable variable, void* value) {
    if (!record(instance)) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto plugin = getPlugin(instance);
    return plugin ? plugin->SetValue(variable, value) : NPERR_GENERIC_ERROR;
}

} // namespace FB::Npapi
