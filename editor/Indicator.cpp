#include "editor/Indicator.h"

#include <cmath>

Indicator::Indicator(int left, int top, BitmapHandle bitmap)
    : Control(left, top, 8, 8, 0.0f), bitmap(bitmap) {}

void Indicator::draw(Surface& surface) {
    bool atTarget = std::fabs(getValue() - target) < tolerance;
    copyFrame(surface, bitmap, atTarget ? 1 : 0, frameHeight, RasterMode::Copy);
}
