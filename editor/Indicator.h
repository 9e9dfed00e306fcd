// Display-only lamp: frame 1 while its parameter is within tolerance of the target (a level at
// zero), frame 0 otherwise. It ignores the pointer.
#pragma once

#include "editor/Control.h"

class Indicator : public Control {
  public:
    Indicator(int left, int top, BitmapHandle bitmap);

    void draw(Surface& surface) override;
    void setValue(float newValue, bool notify) override { setPlainValue(newValue, notify); }

  private:
    BitmapHandle bitmap;
    int frameHeight = 8;
    float target = 0.0f;
    float tolerance = 0.001f;
};
