// The strip under the panel: program selector, octave and velocity of the computer keyboard, and a
// piano of seven octaves lighting the notes that sound. Plain Xlib drawing on the application's own
// window; the layout functions are shared with whoever needs to find things on it.
#pragma once

#include <map>
#include <string>

#include <X11/Xlib.h>

#include "standalone/HeldNotes.h"

struct StripState {
    int program = 0;
    std::string programName;
    int baseNote = 0;
    int velocity = 0;
    HeldNotes::Snapshot held{};

    bool operator==(const StripState& other) const {
        return program == other.program && programName == other.programName && baseNote == other.baseNote &&
               velocity == other.velocity && held == other.held;
    }
    bool operator!=(const StripState& other) const { return !(*this == other); }
};

struct StripRect {
    int x, y, width, height;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

namespace strip {
constexpr int panelWidth = 560;
constexpr int panelHeight = 320;
constexpr int height = 64;
constexpr int lowestNote = 24;   // C1
constexpr int highestNote = 108; // C8

StripRect previousProgramButton();
StripRect nextProgramButton();
StripRect programText();
StripRect keyRect(int note);  // the part of the key that only that key covers
}  // namespace strip

class StatusStrip {
  public:
    StatusStrip(Display* display, Window window);
    ~StatusStrip();
    void draw(const StripState& state, int keyboardRange);

  private:
    unsigned long colour(unsigned int rgb);
    void drawPiano(const StripState& state, int keyboardRange);

    Display* display;
    Window window;
    GC gc;
    std::map<unsigned int, unsigned long> pixels;
};
