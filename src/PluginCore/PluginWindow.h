// FB::PluginWindow: the window a plug-in instance draws in, as an event source the core observes.
// The Linux instance is windowless and makes none; a windowing layer derives from this.
// Main thread only.
#pragma once

#include "src/ScriptingCore/PluginEventSource.h"

namespace FB {

class PluginWindow : public PluginEventSource {
public:
    virtual void InvalidateWindow() const {}
};

} // namespace FB
