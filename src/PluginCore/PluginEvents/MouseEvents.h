// Mouse events a plug-in window delivers to its observers.
#pragma once

#include "src/ScriptingCore/PluginEvent.h"

namespace FB {

class MouseButtonEvent : public PluginEvent {
public:
    enum MouseButton { MouseButton_Left, MouseButton_Right, MouseButton_Middle };
    MouseButtonEvent(MouseButton button, int x, int y, unsigned int modifierState = 0)
        : m_Btn(button), m_x(x), m_y(y), m_state(modifierState) {}
    MouseButton m_Btn;
    int m_x;
    int m_y;
    unsigned int m_state;
};

class MouseDownEvent : public MouseButtonEvent {
    using MouseButtonEvent::MouseButtonEvent;
};
class MouseUpEvent : public MouseButtonEvent {
    using MouseButtonEvent::MouseButtonEvent;
};
class MouseDoubleClickEvent : public MouseButtonEvent {
    using MouseButtonEvent::MouseButtonEvent;
};

class MouseMoveEvent : public PluginEvent {
public:
    MouseMoveEvent(int x, int y) : m_x(x), m_y(y) {}
    int m_x;
    int m_y;
};

class MouseEnteredEvent : public PluginEvent {};
class MouseExitedEvent : public PluginEvent {};

} // namespace FB
