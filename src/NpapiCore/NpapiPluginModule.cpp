#include "src/NpapiCore/NpapiPluginModule.h"

#include <cstring>
#include <dlfcn.h>

#include "src/NpapiCore/OneShotManager.h"
#include "src/PluginCore/FactoryBase.h"
#include "src/ScriptingCore/logging.h"

namespace FB::Npapi {

std::map<const void*, NpapiPluginModule*> NpapiPluginModule::m_modules;
int NpapiPluginModule::PluginModuleInitialized = 0;

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

void NpapiPluginModule::scheduleAsyncCallback(NPP npp, void (*func)(void*), void* userData) {
    OneShotManager::getInstance().npp_scheduleAsyncCallback(npp, func, userData);
}

} // namespace FB::Npapi
