#include "editor/StepKnob.h"

#include <cmath>

StepKnob::StepKnob(int left, int top, BitmapHandle strip, BitmapHandle mask, int stepCount)
    : KnobBase(left, top, strip, mask), stepCount(stepCount), stepSize(1.0f / float(stepCount)) {}

void StepKnob::onMouseDown(int, int, int y) {
    pressed = true;
    lastY = y;
}

void StepKnob::onDrag(int, int y) {
    float position = dragPosition.load(std::memory_order_relaxed) - (y - lastY) * 0.005f;
    lastY = y;
    if (position > 1.0f) position = 1.0f;
    if (position < 0.0f) position = 0.0f;
    dragPosition.store(position, std::memory_order_relaxed);
    for (int i = 0; i <= stepCount; ++i) {
        // Read afresh: a step taken here moves the drag position onto that step.
        float step = float(i) * stepSize;
        if (stepSize * 0.5f > std::fabs(step - dragPosition.load(std::memory_order_relaxed)))
            setValue(step, true);
    }
}
