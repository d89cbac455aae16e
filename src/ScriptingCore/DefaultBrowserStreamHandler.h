// FB::DefaultBrowserStreamHandler: an observer of one stream that dispatches each stream event to a
// virtual handler. The defaults keep track of the stream and consume nothing. Main thread only.
#pragma once

#include "src/ScriptingCore/BrowserStream.h"
#include "src/ScriptingCore/PluginEventSink.h"
#include "src/ScriptingCore/StreamEvents.h"

namespace FB {

class DefaultBrowserStreamHandler : public PluginEventSink {
public:
    bool HandleEvent(PluginEvent* event, PluginEventSource* source) override;

    virtual bool onStreamAttached(PluginEvent* event, BrowserStream* stream);
    virtual bool onStreamDetached(PluginEvent* event, BrowserStream* stream);
    virtual bool onStreamCreated(StreamCreatedEvent*, BrowserStream*) { return false; }
    virtual bool onStreamDestroyed(StreamDestroyedEvent* event, BrowserStream* stream);
    virtual bool onStreamDataArrived(StreamDataArrivedEvent*, BrowserStream*) { return false; }
    virtual bool onStreamFailedOpen(StreamFailedOpenEvent*, BrowserStream*) { return false; }
    virtual bool onStreamOpened(StreamOpenedEvent*, BrowserStream*) { return false; }
    virtual bool onStreamCompleted(StreamCompletedEvent*, BrowserStream*) { return false; }

    BrowserStreamPtr getStream() const { return m_stream; }
    // Closes the stream; false when there is none (a refused request) or the browser failed.
    bool cancel();
    void setStream(const BrowserStreamPtr& stream) { m_stream = stream; }
    void clearStream() { m_stream.reset(); }

protected:
    BrowserStreamPtr m_stream;
};

} // namespace FB
