// The exported entry points a Linux browser looks up in the plug-in: NP_GetMIMEDescription,
// NP_GetValue, the two-argument NP_Initialize, NP_GetEntryPoints and NP_Shutdown. Each finds the
// module of the browser image that called it (the load address of the caller).
#include "src/NpapiCore/NpapiPluginModule.h"
#include "src/PluginCore/FactoryBase.h"

using FB::Npapi::NpapiPluginModule;

extern "C" {

[[gnu::visibility("default")]] NPError NP_GetEntryPoints(NPPluginFuncs* pFuncs);

const char* NP_GetMIMEDescription() {
    return FB::getMIMEDescription();
}

NPError NP_GetValue(void*, NPPVariable variable, void* value) {
    if (!value) {
        return NPERR_INVALID_PARAM;
    }
    return NpapiPluginModule::NPP_GetValue(nullptr, variable, value);
}

NPError NP_GetEntryPoints(NPPluginFuncs* pFuncs) {
    if (!pFuncs) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    NpapiPluginModule* module =
        NpapiPluginModule::GetModule(NpapiPluginModule::callerKey(__builtin_return_address(0)));
    module->getPluginFuncs(pFuncs);
    return NPERR_NO_ERROR;
}

NPError NP_Initialize(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) {
    if (!browserFuncs) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    if ((browserFuncs->version >> 8) > NP_VERSION_MAJOR) {
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    }
    NpapiPluginModule* module =
        NpapiPluginModule::GetModule(NpapiPluginModule::callerKey(__builtin_return_address(0)));
    module->setNetscapeFuncs(browserFuncs);
    if (pluginFuncs) {
        module->getPluginFuncs(pluginFuncs);
    }
    return NPERR_NO_ERROR;
}

NPError NP_Shutdown() {
    NpapiPluginModule::ReleaseModule(NpapiPluginModule::callerKey(__builtin_return_address(0)));
    return NPERR_NO_ERROR;
}

} // extern "C"
