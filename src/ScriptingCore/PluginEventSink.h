// FB::PluginEventSink: an observer of an event source. Owned by shared pointer; sources hold it
// weakly.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

namespace FB {

class PluginEvent;
class PluginEventSource;

class PluginEventSink : public boost::enable_shared_from_this<PluginEventSink>,
                        private boost::noncopyable {
public:
    virtual ~PluginEventSink() = default;
    // True when the sink consumed the event.
    virtual bool HandleEvent(PluginEvent* event, PluginEventSource* source) = 0;
};

using PluginEventSinkPtr = boost::shared_ptr<PluginEventSink>;

} // namespace FB
