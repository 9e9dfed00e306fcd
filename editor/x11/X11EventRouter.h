// One X event for the editor's window, delivered to the window's object as the Win32 window
// procedure would: the last Expose of a series paints (the panel is drawn whole anyway); the left
// and right buttons (X buttons 1 and 3) are buttons 0 and 1, and a press of any of the three
// buttons first activates, like WM_MOUSEACTIVATE; buttons 4 and 5 are one wheel notch up and down
// at the pointer's screen position. Other buttons and events are ignored.
#pragma once

#include <X11/Xlib.h>

#include "editor/WindowSystem.h"

// What one Win32 wheel notch reports (WHEEL_DELTA).
constexpr int wheelNotchDelta = 120;

enum class WindowState { Existing, Destroyed };

// Destroyed when the event says the window itself is gone (its parent went first).
WindowState routeEvent(const XEvent& event, Window window, WindowEvents& events);
