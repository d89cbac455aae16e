// FB::BrowserPlugin: the browser-specific wrapper around one plug-in core. Main thread only.
#pragma once

#include <string>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include "src/PluginCore/FactoryBase.h"

namespace FB {

class BrowserPlugin : private boost::noncopyable {
public:
    explicit BrowserPlugin(const std::string& mimetype);
    virtual ~BrowserPlugin();

    virtual void shutdown() = 0;
    // Stores the plug-in's own file path for everyone and hands it to the core.
    virtual void setFSPath(const std::string& path);

    static std::string fileSystemPath;

protected:
    PluginCorePtr m_core;
};

} // namespace FB
