// A second shared object that calls the plug-in's entry points, so that they see a caller in
// another image, as when two browser images load the same plug-in.
#include "src/NpapiCore/npapi/npapi_all.h"

extern "C" {

[[gnu::visibility("default")]] NPError second_image_initialize(NPNetscapeFuncs* browserFuncs,
                                                               NPPluginFuncs* pluginFuncs) {
    NPError result = NP_Initialize(browserFuncs, pluginFuncs);
    // Code after the call keeps it from becoming a jump, so the caller seen is this image.
    asm volatile("" ::: "memory");
    return result;
}

[[gnu::visibility("default")]] NPError second_image_shutdown() {
    NPError result = NP_Shutdown();
    asm volatile("" ::: "memory");
    return result;
}
}
