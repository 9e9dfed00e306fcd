// Keeps X protocol errors on the editor's own connection away from Xlib's default error handler,
// which ends the whole host process. They are real possibilities: a host that destroys its window
// before closing the editor turns every later request on ours into BadWindow, and a host may hand
// over a window id that is not (or no longer) a window.
//
// Xlib handles an error during whichever later call reads it from the connection, so every call on
// the editor's connection runs while a trap for it is alive. The process-wide handler is installed
// only while some trap is alive; errors on other connections (the host's) go on to the handler
// that was installed before, so the host sees no difference.
#pragma once

#include <X11/Xlib.h>

class X11ErrorTrap {
  public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Errors on the connection while this trap was the innermost one for it.
    int errors() const;

  private:
    friend int handleTrappedError(Display* display, XErrorEvent* error);

    Display* display;
    int errorCount = 0;
};
