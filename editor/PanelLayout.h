// The panel as data: one row per control, in creation order, which is also the drawing and
// hit-testing order. Calyx2Editor walks this table; the bitmap generator reads it to put each
// label under its control.
#pragma once

#include <cstddef>

enum class ControlKind { ThreeWaySwitch, ToggleSwitch, Indicator, Knob, StepKnob };

// Resource ids of the panel's bitmaps.
namespace bitmap_id {
constexpr int knobMask = 101;
constexpr int knobStrip = 102;
constexpr int toggle = 103;
constexpr int threeWay = 104;
constexpr int indicator = 105;
constexpr int background = 106;
}  // namespace bitmap_id

struct ControlLayout {
    ControlKind kind;
    int left;
    int top;
    int parameter;
    const char* name;  // the parameter's name as the panel shows it
    // Knob: detentValue and detentWidth. Step knob: stepCount. Unused otherwise.
    float detentValue;
    float detentWidth;
    int stepCount;
};

extern const ControlLayout panelLayout[];
extern const std::size_t panelLayoutSize;

// Control sizes by kind.
int controlWidth(ControlKind kind);
int controlHeight(ControlKind kind);
