#include "editor/Knob.h"

#include <cmath>

Knob::Knob(int left, int top, float detentWidth, float detentValue, BitmapHandle strip, BitmapHandle mask)
    : KnobBase(left, top, strip, mask), detentWidth(detentWidth), detentValue(detentValue) {}

void Knob::onMouseDown(int button, int, int y) {
    pressed = true;
    fine = (button == 1);
    lastY = y;
}

void Knob::onDrag(int, int y) {
    float current = getValue();
    int moved = y - lastY;
    double candidate = current - moved * (fine ? 0.0005 : 0.005);
    if (candidate > 1.0) candidate = 1.0;
    if (candidate < 0.0) candidate = 0.0;
    if (detentWidth > std::fabs(candidate - detentValue)) {
        // lastY stays put: the drag keeps adding up from the last point outside the detent.
        candidate = detentValue;
    } else {
        lastY = y;
    }
    // Only a change in the third decimal is worth a report to the host.
    if (int(current * 1000.0f) != int(float(candidate) * 1000.0f)) setValue(float(candidate), true);
}

void Knob::onWheelStep(int step) {
    float stepped = getValue() + step * 0.01f;
    if (stepped > 1.0f) stepped = 1.0f;
    if (stepped < 0.0f) stepped = 0.0f;
    setValue(stepped, true);
}
