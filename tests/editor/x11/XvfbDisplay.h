// A private virtual X display for a test program: Xvfb on a display number it picks itself (so
// several test programs, and other people's displays, never collide), true colour of the given
// depth, stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

class XvfbDisplay {
  public:
    explicit XvfbDisplay(int depth = 24);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    static bool installed();  // Xvfb is on PATH
    bool running() const { return !displayName.empty(); }
    const std::string& name() const { return displayName; }  // ":N"
    const std::string& failure() const { return whyNot; }

  private:
    pid_t server = -1;
    std::string displayName;
    std::string whyNot;
};
