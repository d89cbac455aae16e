// PluginFactory: the application's factory. Every instance, whatever its MIME type, gets a new
// NVPlugin. getFactoryInstance() gives the process-wide factory (made on first use).
#pragma once

#include "src/PluginCore/FactoryBase.h"

class PluginFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr createPlugin(const std::string& mimetype) override;
    void globalPluginInitialize() override;
    void globalPluginDeinitialize() override;
};
