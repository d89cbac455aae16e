// FB::PluginEvent: polymorphic base of every event a source (a window, a stream) offers its
// observers.
#pragma once

namespace FB {

class PluginEvent {
public:
    virtual ~PluginEvent() = default;

    template <class T> T* get() { return dynamic_cast<T*>(this); }
    template <class T> bool validType() const { return dynamic_cast<const T*>(this) != nullptr; }
};

// Sent to an observer when it is attached to or detached from a source.
class AttachedEvent : public PluginEvent {};
class DetachedEvent : public PluginEvent {};

} // namespace FB
