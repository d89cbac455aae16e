// Drawing events a plug-in window delivers to its observers.
#pragma once

#include "src/ScriptingCore/PluginEvent.h"

namespace FB {

class RefreshEvent : public PluginEvent {};
class ResizedEvent : public PluginEvent {};
class ClipChangedEvent : public PluginEvent {};

} // namespace FB
