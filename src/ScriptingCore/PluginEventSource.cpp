#include "src/ScriptingCore/PluginEventSource.h"

#include <algorithm>

#include "src/ScriptingCore/PluginEvent.h"

namespace FB {

void PluginEventSource::AttachObserver(PluginEventSink* sink) {
    AttachObserver(sink->shared_from_this());
}

void PluginEventSource::AttachObserver(const PluginEventSinkPtr& sink) {
    boost::recursive_mutex::scoped_lock lock(m_observerLock);
    m_observers.push_back(sink);
    AttachedEvent event;
    sink->HandleEvent(&event, this);
}

void PluginEventSource::DetachObserver(PluginEventSink* sink) {
    DetachObserver(sink->shared_from_this());
}

void PluginEventSource::DetachObserver(const PluginEventSinkPtr& sink) {
    boost::recursive_mutex::scoped_lock lock(m_observerLock);
    m_observers.erase(std::remove_if(m_observers.begin(), m_observers.end(),
                                     [&](const boost::weak_ptr<PluginEventSink>& entry) {
                                         PluginEventSinkPtr live = entry.lock();
                                         return !live || live == sink;
                                     }),
                      m_observers.end());
    DetachedEvent event;
    sink->HandleEvent(&event, this);
}

bool PluginEventSource::SendEvent(PluginEvent* event) {
    boost::recursive_mutex::scoped_lock lock(m_observerLock);
    std::vector<boost::weak_ptr<PluginEventSink>> observers = m_observers;
    for (const auto& entry : observers) {
        if (PluginEventSinkPtr sink = entry.lock()) {
            if (sink->HandleEvent(event, this)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace FB
