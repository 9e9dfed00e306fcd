#include "editor/Calyx2Editor.h"

#include "editor/Indicator.h"
#include "editor/Knob.h"
#include "editor/PanelLayout.h"
#include "editor/StepKnob.h"
#include "editor/ThreeWaySwitch.h"
#include "editor/ToggleSwitch.h"

Calyx2Editor::Calyx2Editor(ParameterHost* effect, std::unique_ptr<WindowSystem> windowSystem)
    : KZGuiWindow(effect, std::move(windowSystem)) {
    WindowSystem& system = getWindowSystem();
    backgroundBitmap = system.loadBitmap(bitmap_id::background);
    knobStrip = system.loadBitmap(bitmap_id::knobStrip);
    knobMask = system.loadBitmap(bitmap_id::knobMask);
    indicatorBitmap = system.loadBitmap(bitmap_id::indicator);
    toggleBitmap = system.loadBitmap(bitmap_id::toggle);
    threeWayBitmap = system.loadBitmap(bitmap_id::threeWay);
    background = backgroundBitmap;
    hasBackground = backgroundBitmap != nullptr;

    // The table lists the groups in creation order, so one walk creates them in that order.
    for (std::size_t i = 0; i < panelLayoutSize; ++i) {
        Control* control = createControl(panelLayout[i]);
        if (control == nullptr) continue;
        control->setParameterIndex(panelLayout[i].parameter);
        control->setOwner(this);
        addControl(control);
    }
}

// Null when the control's bitmaps are missing: the whole group then stays off the panel.
Control* Calyx2Editor::createControl(const ControlLayout& row) const {
    switch (row.kind) {
        case ControlKind::ThreeWaySwitch:
            return threeWayBitmap ? new ThreeWaySwitch(row.left, row.top, threeWayBitmap) : nullptr;
        case ControlKind::ToggleSwitch:
            return toggleBitmap ? new ToggleSwitch(toggleBitmap) : nullptr;
        case ControlKind::Indicator:
            return indicatorBitmap ? new Indicator(row.left, row.top, indicatorBitmap) : nullptr;
        case ControlKind::Knob:
            if (!knobStrip || !knobMask) return nullptr;
            return new Knob(row.left, row.top, row.detentWidth, row.detentValue, knobStrip, knobMask);
        case ControlKind::StepKnob:
            if (!knobStrip || !knobMask) return nullptr;
            return new StepKnob(row.left, row.top, knobStrip, knobMask, row.stepCount);
    }
    return nullptr;
}

Calyx2Editor::~Calyx2Editor() {
    WindowSystem& system = getWindowSystem();
    for (BitmapHandle bitmap :
         {backgroundBitmap, knobStrip, knobMask, indicatorBitmap, toggleBitmap, threeWayBitmap}) {
        system.deleteBitmap(bitmap);
    }
    background = nullptr;
    hasBackground = false;
}
