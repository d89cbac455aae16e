// Events a stream sends to its handlers, in the order: created, (opened, data arrived ...) or
// failed open, completed; destroyed when the stream object goes away.
#pragma once

#include <cstddef>

#include "src/ScriptingCore/PluginEvent.h"

namespace FB {

class BrowserStream;

class StreamEvent : public PluginEvent {
public:
    explicit StreamEvent(BrowserStream* stream) : stream(stream) {}
    BrowserStream* stream;
};

class StreamCreatedEvent : public StreamEvent {
    using StreamEvent::StreamEvent;
};
class StreamOpenedEvent : public StreamEvent {
    using StreamEvent::StreamEvent;
};
class StreamFailedOpenEvent : public StreamEvent {
    using StreamEvent::StreamEvent;
};
class StreamDestroyedEvent : public StreamEvent {
    using StreamEvent::StreamEvent;
};

class StreamDataArrivedEvent : public StreamEvent {
public:
    StreamDataArrivedEvent(BrowserStream* stream, const void* data, size_t length,
                           size_t dataPosition, float progress)
        : StreamEvent(stream), data(data), length(length), dataPosition(dataPosition),
          progress(progress) {}
    const void* data;
    size_t length;
    size_t dataPosition;
    float progress;
};

class StreamCompletedEvent : public StreamEvent {
public:
    StreamCompletedEvent(BrowserStream* stream, bool success)
        : StreamEvent(stream), success(success) {}
    bool success;
};

} // namespace FB
