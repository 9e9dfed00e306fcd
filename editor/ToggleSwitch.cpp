#include "editor/ToggleSwitch.h"

ToggleSwitch::ToggleSwitch(BitmapHandle bitmap) : ToggleSwitch(394, 277, 25, 17, bitmap) {}

ToggleSwitch::ToggleSwitch(int left, int top, int width, int height, BitmapHandle bitmap)
    : Control(left, top, width, height, 0.0f), bitmap(bitmap), frameHeight(height) {}

void ToggleSwitch::onMouseDown(int, int, int) {
    pressed = true;
    setDirty(true);
}

void ToggleSwitch::onMouseUp(int, int, int) {
    click();
    pressed = false;
    hovered = false;
    setDirty(true);
}

// Exactly 0.5 is neither off nor on, so a click leaves it alone.
void ToggleSwitch::click() {
    float current = getValue();
    if (current < 0.5f) {
        setValue(1.0f, true);
    } else if (current > 0.5f) {
        setValue(0.0f, true);
    }
}

void ToggleSwitch::onMouseEnter(int, int) {
    hovered = true;
    setDirty(true);
}

void ToggleSwitch::onMouseLeave(int, int) {
    hovered = false;
    setDirty(true);
}

void ToggleSwitch::onRelease(int, int) {
    pressed = false;
    setDirty(true);
}

void ToggleSwitch::draw(Surface& surface) {
    copyFrame(surface, bitmap, getValue() > 0.5f ? 1 : 0, frameHeight, RasterMode::Copy);
}
