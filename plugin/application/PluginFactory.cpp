#include "plugin/application/PluginFactory.h"

#include <boost/make_shared.hpp>

#include "plugin/application/NVPlugin.h"

FB::PluginCorePtr PluginFactory::createPlugin(const std::string&) {
    return boost::make_shared<NVPlugin>();
}

void PluginFactory::globalPluginInitialize() {
    NVPlugin::StaticInitialize();
}

void PluginFactory::globalPluginDeinitialize() {
    NVPlugin::StaticDeinitialize();
}

FB::FactoryBasePtr FB::getFactoryInstance() {
    static const FB::FactoryBasePtr factory = boost::make_shared<PluginFactory>();
    return factory;
}
