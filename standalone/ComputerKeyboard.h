// The computer keyboard as a piano: the bottom letter row (Z S X D C V ...) from the base note, the
// top row (Q 2 W 3 E R ...) an octave higher, in the layout of a piano's white and black keys. Arrow
// keys move the octave and step the velocity. Keys are X keysyms; nothing here talks to X.
#pragma once

#include <map>
#include <vector>

#include "standalone/MidiMessageQueue.h"

class ComputerKeyboard {
  public:
    static constexpr int lowestBase = 0;
    static constexpr int highestBase = 96;  // the top row's last key is base + 31
    static constexpr int defaultBase = 48;

    // Semitones above the base note for a keysym, or -1 for a key that plays nothing.
    static int semitoneOf(unsigned long keysym);

    ComputerKeyboard();

    // A note-on for a note key not already down; false otherwise (auto-repeat, other keys).
    bool press(unsigned long keysym, MidiMessage& noteOn);
    // The note-off for the note that key started, even after an octave change.
    bool release(unsigned long keysym, MidiMessage& noteOff);
    std::vector<MidiMessage> releaseAll();  // the window lost the keyboard

    void octaveUp();
    void octaveDown();
    void velocityUp();
    void velocityDown();
    int baseNote() const { return base; }
    int velocity() const;
    bool isDown(int note) const;

  private:
    int base = defaultBase;
    int velocityStep;
    std::map<unsigned long, int> down;  // keysym -> note it started
};
