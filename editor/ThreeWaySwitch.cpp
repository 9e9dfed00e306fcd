#include "editor/ThreeWaySwitch.h"

ThreeWaySwitch::ThreeWaySwitch(int left, int top, BitmapHandle bitmap)
    : ToggleSwitch(left, top, 11, 30, bitmap) {}

void ThreeWaySwitch::click() {
    float next = getValue() + 0.5f;
    if (next > 1.05f) next = 0.0f;
    setValue(next, true);
}

int ThreeWaySwitch::frameFor(float value) {
    double position = double(value) * 2.0 + 0.1;
    if (!(position >= 1.0)) return 0;  // also catches NaN
    if (position >= 2.0) return 2;
    return 1;
}

void ThreeWaySwitch::draw(Surface& surface) {
    copyFrame(surface, bitmap, frameFor(getValue()), frameHeight, RasterMode::Copy);
}
