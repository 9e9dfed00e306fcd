// Three-position switch (the operator routes): clicks cycle 0.0 -> 0.5 -> 1.0 -> 0.0.
#pragma once

#include "editor/ToggleSwitch.h"

class ThreeWaySwitch : public ToggleSwitch {
  public:
    ThreeWaySwitch(int left, int top, BitmapHandle bitmap);

    void draw(Surface& surface) override;
    // The frame for a value: trunc(value x 2 + 0.1), held to the three frames the bitmap has, so a
    // host value far outside 0..1 (or not a number) never reads past the bitmap.
    static int frameFor(float value);

  protected:
    void click() override;
};
