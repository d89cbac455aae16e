#include "src/ScriptingCore/BrowserStreamManager.h"

#include "src/ScriptingCore/StreamEvents.h"

namespace FB {

BrowserStreamManager::~BrowserStreamManager() = default;

bool BrowserStreamManager::HandleEvent(PluginEvent* event, PluginEventSource* source) {
    auto* stream = dynamic_cast<BrowserStream*>(source);
    if (stream && event->validType<StreamCompletedEvent>()) {
        releaseStream(stream->shared_ptr());
    }
    return false;
}

// The stream is called outside the manager's lock: a stream sends its events holding its own
// lock, and its completion comes back here to release it, so holding both would invert them.
void BrowserStreamManager::retainStream(const BrowserStreamPtr& stream) {
    {
        boost::recursive_mutex::scoped_lock lock(m_mutex);
        m_streams.insert(stream);
    }
    stream->AttachObserver(shared_from_this());
}

void BrowserStreamManager::releaseStream(const BrowserStreamPtr& stream) {
    const BrowserStreamPtr kept = stream; // the set may hold the last other reference
    {
        boost::recursive_mutex::scoped_lock lock(m_mutex);
        m_streams.erase(kept);
    }
    kept->DetachObserver(shared_from_this());
}

} // namespace FB
