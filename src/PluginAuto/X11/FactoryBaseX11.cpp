#include "src/PluginCore/FactoryBase.h"

#include <boost/make_shared.hpp>

#include "src/PluginAuto/X11/NpapiPluginX11.h"

namespace FB {

boost::shared_ptr<Npapi::NpapiPlugin>
FactoryBase::createNpapiPlugin(const boost::shared_ptr<Npapi::NpapiBrowserHost>& host,
                               const std::string& mimetype) {
    return boost::make_shared<Npapi::NpapiPluginX11>(host, mimetype);
}

} // namespace FB
