// Continuous knob: vertical drags (200 pixels for the whole range, 2000 with the right button),
// wheel notches of 0.01, and a detent that holds the value while the drag stays near it.
#pragma once

#include "editor/KnobBase.h"

class Knob : public KnobBase {
  public:
    Knob(int left, int top, float detentWidth, float detentValue, BitmapHandle strip, BitmapHandle mask);

    void onMouseDown(int button, int x, int y) override;
    void onDrag(int x, int y) override;
    void onWheelStep(int step) override;

    float getDetentValue() const { return detentValue; }
    float getDetentWidth() const { return detentWidth; }

  private:
    float detentWidth;
    float detentValue;
    bool fine = false;
};
