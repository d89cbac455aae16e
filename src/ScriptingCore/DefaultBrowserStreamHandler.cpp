#include "src/ScriptingCore/DefaultBrowserStreamHandler.h"

namespace FB {

bool DefaultBrowserStreamHandler::HandleEvent(PluginEvent* event, PluginEventSource* source) {
    auto* stream = dynamic_cast<BrowserStream*>(source);
    if (!stream) {
        return false;
    }
    if (event->validType<AttachedEvent>()) {
        return onStreamAttached(event, stream);
    }
    if (event->validType<DetachedEvent>()) {
        return onStreamDetached(event, stream);
    }
    if (auto* e = event->get<StreamCreatedEvent>()) {
        return onStreamCreated(e, stream);
    }
    if (auto* e = event->get<StreamDestroyedEvent>()) {
        return onStreamDestroyed(e, stream);
    }
    if (auto* e = event->get<StreamFailedOpenEvent>()) {
        return onStreamFailedOpen(e, stream);
    }
    if (auto* e = event->get<StreamOpenedEvent>()) {
        return onStreamOpened(e, stream);
    }
    if (auto* e = event->get<StreamDataArrivedEvent>()) {
        return onStreamDataArrived(e, stream);
    }
    if (auto* e = event->get<StreamCompletedEvent>()) {
        return onStreamCompleted(e, stream);
    }
    return false;
}

bool DefaultBrowserStreamHandler::onStreamAttached(PluginEvent*, BrowserStream* stream) {
    m_stream = stream->shared_ptr();
    return false;
}

bool DefaultBrowserStreamHandler::onStreamDetached(PluginEvent*, BrowserStream*) {
    m_stream.reset();
    return false;
}

bool DefaultBrowserStreamHandler::onStreamDestroyed(StreamDestroyedEvent*, BrowserStream*) {
    m_stream.reset();
    return false;
}

bool DefaultBrowserStreamHandler::cancel() {
    BrowserStreamPtr stream = m_stream;
    return stream ? stream->close() : false;
}

} // namespace FB
