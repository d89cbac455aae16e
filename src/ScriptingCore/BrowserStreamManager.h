// FB::BrowserStreamManager: keeps every stream created through a host alive until it completes.
// Thread contract: any thread (one recursive mutex).
#pragma once

#include <set>

#include <boost/thread/recursive_mutex.hpp>

#include "src/ScriptingCore/BrowserStream.h"
#include "src/ScriptingCore/PluginEventSink.h"

namespace FB {

class BrowserStreamManager : public PluginEventSink {
public:
    ~BrowserStreamManager() override;
    bool HandleEvent(PluginEvent* event, PluginEventSource* source) override;
    void retainStream(const BrowserStreamPtr& stream);
    void releaseStream(const BrowserStreamPtr& stream);

private:
    boost::recursive_mutex m_mutex;
    std::set<BrowserStreamPtr> m_streams; // guarded by m_mutex
};

} // namespace FB
