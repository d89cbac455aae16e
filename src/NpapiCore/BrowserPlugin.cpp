#include "src/NpapiCore/BrowserPlugin.h"

#include "src/PluginCore/PluginCore.h"

namespace FB {

std::string BrowserPlugin::fileSystemPath;

BrowserPlugin::BrowserPlugin(const std::string& mimetype)
    : m_core(getFactoryInstance()->createPlugin(mimetype)) {}

BrowserPlugin::~BrowserPlugin() = default;

void BrowserPlugin::setFSPath(const std::string& path) {
    fileSystemPath = path;
    if (m_core) {
        m_core->setFSPath(path);
    }
}

} // namespace FB
