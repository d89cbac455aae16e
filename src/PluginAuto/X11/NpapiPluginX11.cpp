#include "src/PluginAuto/X11/NpapiPluginX11.h"

#include <cstdlib>
#include <dlfcn.h>
#include <memory>

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/logging.h"

namespace FB::Npapi {

NpapiPluginX11::NpapiPluginX11(const boost::shared_ptr<NpapiBrowserHost>& host,
                               const std::string& mimetype)
    : NpapiPlugin(host, mimetype) {
    PluginCore::setPlatform("Linux", "NPAPI");
    setFSPath(pluginPath());
}

const std::string& NpapiPluginX11::pluginPath() {
    static const std::string path = [] {
        Dl_info info;
        if (!dladdr(reinterpret_cast<void*>(&NP_Initialize), &info) || !info.dli_fname) {
            return std::string();
        }
        // The browser may load us through a link in its plug-in folder; the companion programs
        // lie beside the real file.
        std::unique_ptr<char, decltype(&std::free)> resolved(realpath(info.dli_fname, nullptr),
                                                             &std::free);
        return std::string(resolved ? resolved.get() : info.dli_fname);
    }();
    return path;
}

void NpapiPluginX11::init(NPMIMEType pluginType, int16_t argc, char* argn[], char* argv[]) {
    // Windowless: the browser gives us no X window; everything the page sees is script.
    m_host->SetValue(NPPVpluginWindowBool, reinterpret_cast<void*>(false));
    NpapiPlugin::init(pluginType, argc, argn, argv);
    // The drawing model parameters choose Mac drawing; a windowless Linux instance has none.
    if (m_core->getParam("drawingmodel")) {
        Log::info("PluginCore", "NPDrawingModel=NONE");
    }
    m_core->getParam("showdrawingmodel");
}

} // namespace FB::Npapi
