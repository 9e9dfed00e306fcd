#include "editor/KnobBase.h"

KnobBase::KnobBase(int left, int top, BitmapHandle strip, BitmapHandle mask)
    : Control(left, top, 24, 24, 0.5f), strip(strip), mask(mask) {}

void KnobBase::setValue(float newValue, bool notify) {
    float clamped = newValue;
    if (clamped > 1.0f) clamped = 1.0f;
    if (!(clamped >= 0.0f)) clamped = 0.0f;
    if (clamped == getValue()) return;
    value.store(clamped, std::memory_order_relaxed);
    valueStored(clamped);
    if (notify) report(clamped);
    // Counted from the top of the range: this is what decides whether the knob needs drawing.
    int offset = int(float(frameCount - 1) * (1.0f - clamped)) * frameHeight;
    if (offset != shownOffset.load(std::memory_order_relaxed)) {
        shownOffset.store(offset, std::memory_order_relaxed);
        setDirty(true);
    }
}

void KnobBase::onRelease(int, int) {
    pressed = false;
    setDirty(true);
}

void KnobBase::draw(Surface& surface) {
    copyFrame(surface, mask, 0, frameHeight, RasterMode::And);
    copyFrame(surface, strip, int(float(frameCount - 1) * getValue()), frameHeight, RasterMode::Or);
}
