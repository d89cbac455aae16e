// The one include for our NPAPI declarations: basic types and constants, the scripting runtime,
// and the function tables with the module entry points. Declarations only; the thread contract of
// every browser entry is the same: main thread only, except NPN_PluginThreadAsyncCall.
#pragma once

#include "src/NpapiCore/npapi/npapi_functions.h"
#include "src/NpapiCore/npapi/npapi_runtime.h"
#include "src/NpapiCore/npapi/npapi_types.h"
