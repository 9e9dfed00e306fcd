#include "editor/x11/X11EventRouter.h"

namespace {
constexpr unsigned int leftButton = 1;
constexpr unsigned int middleButton = 2;
constexpr unsigned int rightButton = 3;
constexpr unsigned int wheelUpButton = 4;
constexpr unsigned int wheelDownButton = 5;

void routePress(const XButtonEvent& press, WindowEvents& events) {
    switch (press.button) {
        case leftButton:
        case middleButton:
        case rightButton:
            events.handleMouseActivate();
            if (press.button != middleButton)
                events.handleButtonDown(press.button == leftButton ? 0 : 1, press.x, press.y);
            break;
        case wheelUpButton:
            events.handleWheel(press.x_root, press.y_root, wheelNotchDelta);
            break;
        case wheelDownButton:
            events.handleWheel(press.x_root, press.y_root, -wheelNotchDelta);
            break;
        default:
            break;
    }
}
}  // namespace

WindowState routeEvent(const XEvent& event, Window window, WindowEvents& events) {
    if (event.xany.window != window) return WindowState::Existing;
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) events.handlePaint();
            break;
        case MotionNotify:
            events.handleMouseMove(event.xmotion.x, event.xmotion.y);
            break;
        case ButtonPress:
            routePress(event.xbutton, events);
            break;
        case ButtonRelease:
            if (event.xbutton.button == leftButton)
                events.handleButtonUp(0, event.xbutton.x, event.xbutton.y);
            if (event.xbutton.button == rightButton)
                events.handleButtonUp(1, event.xbutton.x, event.xbutton.y);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) return WindowState::Destroyed;
            break;
        default:
            break;
    }
    return WindowState::Existing;
}
