// The per-instance record kept in the NPP's pdata from NPP_New to NPP_Destroy.
#pragma once

#include <boost/shared_ptr.hpp>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace FB::Npapi {

class NpapiBrowserHost;
class NpapiPlugin;

struct NpapiInstanceData {
    boost::shared_ptr<NpapiBrowserHost> host;
    boost::shared_ptr<NpapiPlugin> plugin;
};

// The instance's wrapper, or null for a null NPP or one without a record.
boost::shared_ptr<NpapiPlugin> getPlugin(NPP instance);

} // namespace FB::Npapi
