// FB::FactoryBase: how the browser layer obtains the application's pieces (its plug-in core, the
// browser-specific wrapper) without knowing them, and the module-wide init and shutdown hooks.
// Main thread only, except getFactoryInstance's first call, which is safe under concurrency.
#pragma once

#include <string>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include "src/ScriptingCore/APITypes.h"

namespace FB {

class PluginCore;
using PluginCorePtr = boost::shared_ptr<PluginCore>;
namespace Npapi {
class NpapiPlugin;
class NpapiBrowserHost;
} // namespace Npapi

class FactoryBase : private boost::noncopyable {
public:
    virtual ~FactoryBase() = default;

    virtual PluginCorePtr createPlugin(const std::string& mimetype) = 0;
    // The browser-specific wrapper for a new instance (the platform glue defines it).
    virtual boost::shared_ptr<Npapi::NpapiPlugin>
    createNpapiPlugin(const boost::shared_ptr<Npapi::NpapiBrowserHost>& host,
                      const std::string& mimetype);
    virtual void globalPluginInitialize() {}
    virtual void globalPluginDeinitialize() {}
    virtual int getLogLevel() { return 4; }

    std::string getPluginName() { return getPluginName(""); }
    std::string getPluginName(const std::string& mimetype);
    std::string getPluginDescription() { return getPluginDescription(""); }
    std::string getPluginDescription(const std::string& mimetype);
};

using FactoryBasePtr = boost::shared_ptr<FactoryBase>;

// The plug-in's name, the same for every MIME type.
std::string getPluginName(const std::string& mimetype);
// The description the MIME description text gives the type ("" for an unlisted type).
std::string getPluginDescription(const std::string& mimetype);
// "type:extensions:description;" entries; the text the browser reads.
const char* getMIMEDescription();

// The application's factory; supplied by the application.
FactoryBasePtr getFactoryInstance();

} // namespace FB
