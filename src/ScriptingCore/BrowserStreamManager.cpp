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

void BrowserStreamManager::retainStream(const BrowserStreamPtr& stream) {
    boost::recursive_mutex::scoped_lock lock(m_mutex);
    stream->AttachObserver(shared_from_this());
    m_streams.insert(stream);
}

void BrowserStreamManager::releaseStream(const BrowserStreamPtr& stream) {
    boost::recursive_mutex::scoped_lock lock(m_mutex);
    stream->DetachObserver(shared_from_this());
    m_streams.erase(stream);
}

} // namespace FB
