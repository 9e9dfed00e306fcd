// What the continuous knob and the step knob share: a 64-frame strip laid over a mask, a clamped
// value, and redrawing only when the shown frame offset changes.
#pragma once

#include <atomic>

#include "editor/Control.h"

class KnobBase : public Control {
  public:
    KnobBase(int left, int top, BitmapHandle strip, BitmapHandle mask);

    // Clamps to 0..1 (not-a-number counts as 0); an unchanged value changes and marks nothing.
    void setValue(float newValue, bool notify) override;
    void onRelease(int x, int y) override;
    // The mask (AND) clears the knob's disc and keeps the background around it; the strip's frame
    // (OR) is black outside the disc, so a knob redraws over its old picture without the background.
    void draw(Surface& surface) override;

    static constexpr int frameCount = 64;

  protected:
    // Lets the step knob follow values set from outside.
    virtual void valueStored(float /*stored*/) {}

    int lastY = 0;
    std::atomic<int> shownOffset{-1000};
    int frameHeight = 24;
    BitmapHandle strip;
    BitmapHandle mask;
};
