// Knob with N + 1 evenly spaced positions (0, 1/N, ..., 1). A drag moves a hidden position that
// snaps the value to the nearest step once it is less than half a step away from it.
#pragma once

#include "editor/KnobBase.h"

class StepKnob : public KnobBase {
  public:
    StepKnob(int left, int top, BitmapHandle strip, BitmapHandle mask, int stepCount);

    void onMouseDown(int button, int x, int y) override;
    void onDrag(int x, int y) override;

    int getStepCount() const { return stepCount; }

  protected:
    void valueStored(float stored) override { dragPosition.store(stored, std::memory_order_relaxed); }

  private:
    int stepCount;
    float stepSize;
    // Not reset by press or release: a drag too short to reach a step leaves its remainder.
    std::atomic<float> dragPosition{0.5f};
};
