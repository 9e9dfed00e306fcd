#include "editor/Control.h"

#include "editor/EditorBase.h"

void Control::setPlainValue(float newValue, bool notify) {
    value.store(newValue, std::memory_order_relaxed);
    if (notify) report(newValue);
    setDirty(true);
}

void Control::report(float newValue) {
    if (owner == nullptr) return;
    if (ParameterHost* effect = owner->getEffect()) effect->setParameterAutomated(parameterIndex, newValue);
}

void Control::copyFrame(Surface& surface, BitmapHandle bitmap, int frame, int frameHeight,
                        RasterMode mode) const {
    surface.copyBitmap(bitmap, 0, frame * frameHeight, width, height, left, top, mode);
}
