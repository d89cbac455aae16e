// The plug-in the bridge's tests load into the fake browser: a factory whose cores offer a root
// object with members of the kinds the application uses (numbers, texts, lists, objects, a cached
// child object, errors, page callbacks), so that the NPAPI layer is tested apart from the
// application.
#pragma once

#include <string>

#include "src/PluginCore/FactoryBase.h"

namespace nvtest {

class TestFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr createPlugin(const std::string& mimetype) override;
    void globalPluginInitialize() override { ++initializations; }
    void globalPluginDeinitialize() override { ++deinitializations; }

    int initializations = 0;
    int deinitializations = 0;
};

TestFactory& testFactory();

} // namespace nvtest
