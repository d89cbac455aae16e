// FB::PluginEventSource: offers events to a list of observers in attachment order. Streams and
// plug-in windows are sources, so this observer mechanism lives in the lowest layer.
//
// Thread contract: the observer list is guarded by a recursive lock that stays held while an event
// is delivered, so an observer may attach or detach from inside HandleEvent on the same thread.
#pragma once

#include <vector>

#include <boost/enable_shared_from_this.hpp>
#include <boost/noncopyable.hpp>
#include <boost/thread/recursive_mutex.hpp>
#include <boost/weak_ptr.hpp>

#include "src/ScriptingCore/PluginEventSink.h"

namespace FB {

class PluginEventSource : public boost::enable_shared_from_this<PluginEventSource>,
                          private boost::noncopyable {
public:
    virtual ~PluginEventSource() = default;

    // Throws boost::bad_weak_ptr for a sink that is not owned by a shared pointer.
    virtual void AttachObserver(PluginEventSink* sink);
    virtual void AttachObserver(const PluginEventSinkPtr& sink);
    virtual void DetachObserver(PluginEventSink* sink);
    virtual void DetachObserver(const PluginEventSinkPtr& sink);
    // Offers the event to each live observer until one consumes it; true when one did.
    virtual bool SendEvent(PluginEvent* event);

protected:
    std::vector<boost::weak_ptr<PluginEventSink>> m_observers; // guarded by m_observerLock
    boost::recursive_mutex m_observerLock;
};

} // namespace FB
