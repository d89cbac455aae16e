// The NPP functions the browser calls per instance: each finds the instance's record and forwards
// to its plug-in wrapper, and no exception may unwind into the browser's C code.
#include "src/NpapiCore/NpapiPluginModule.h"

#include <cstdio>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiInstanceData.h"
#include "src/NpapiCore/NpapiPlugin.h"
#include "src/NpapiCore/OneShotManager.h"
#include "src/PluginCore/FactoryBase.h"
#include "src/ScriptingCore/logging.h"

namespace FB::Npapi {

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
