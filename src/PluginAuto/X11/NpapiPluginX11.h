// FB::Npapi::NpapiPluginX11: the Linux wrapper of one plug-in instance. The instance is windowless
// and scriptable; it has no window object, so NPP_SetWindow and NPP_HandleEvent answer 0, and the
// core is made ready before any window could exist. Main thread only.
#pragma once

#include "src/NpapiCore/NpapiPlugin.h"

namespace FB::Npapi {

class NpapiPluginX11 : public NpapiPlugin {
public:
    NpapiPluginX11(const boost::shared_ptr<NpapiBrowserHost>& host, const std::string& mimetype);

    void init(NPMIMEType pluginType, int16_t argc, char* argn[], char* argv[]) override;
    NPError SetWindow(NPWindow*) override { return 0; }
    int16_t HandleEvent(void*) override { return 0; }

    // The real path of the plug-in's own shared object (links resolved), found once per process
    // ("" when the lookup fails).
    static const std::string& pluginPath();
};

} // namespace FB::Npapi
