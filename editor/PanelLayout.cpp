#include "editor/PanelLayout.h"

#include "engine/ParameterIndex.h"

namespace {
using K = ControlKind;
}

// Operator sections 1 to 4 are rows 64 pixels apart with the knob of section offset k at
// 16 + 32k; section m is the bottom row without FIN and RTE. In the LFO row the screen order
// (SPD, PCH, MOD) is not the index order.
// clang-format off
const ControlLayout panelLayout[] = {
    {K::ThreeWaySwitch, 369, 15, param::RTE1, "RTE1", 0.0f, 0.0f, 0},
    {K::ThreeWaySwitch, 369, 79, param::RTE2, "RTE2", 0.0f, 0.0f, 0},
    {K::ThreeWaySwitch, 369, 143, param::RTE3, "RTE3", 0.0f, 0.0f, 0},
    {K::ThreeWaySwitch, 369, 207, param::RTE4, "RTE4", 0.0f, 0.0f, 0},
    {K::ToggleSwitch, 394, 277, param::AAA, "AAA", 0.0f, 0.0f, 0},
    {K::Indicator, 8, 8, param::LVL1, "LVL1", 0.0f, 0.0f, 0},
    {K::Indicator, 8, 72, param::LVL2, "LVL2", 0.0f, 0.0f, 0},
    {K::Indicator, 8, 136, param::LVL3, "LVL3", 0.0f, 0.0f, 0},
    {K::Indicator, 8, 200, param::LVL4, "LVL4", 0.0f, 0.0f, 0},
    {K::Indicator, 440, 200, param::C_LVL, "C_LVL", 0.0f, 0.0f, 0},
    {K::Indicator, 440, 264, param::D_LVL, "D_LVL", 0.0f, 0.0f, 0},
    {K::Knob, 16, 16, param::LVL1, "LVL1", 0.0f, 0.034f, 0},
    {K::StepKnob, 48, 16, param::OCT1, "OCT1", 0.0f, 0.0f, 6},
    {K::Knob, 80, 16, param::FIN1, "FIN1", 0.5f, 0.036f, 0},
    {K::Knob, 112, 16, param::WAV1, "WAV1", 0.0f, 0.034f, 0},
    {K::Knob, 144, 16, param::FEB1, "FEB1", 0.0f, 0.034f, 0},
    {K::Knob, 176, 16, param::A1, "A1", 0.0f, 0.034f, 0},
    {K::Knob, 208, 16, param::D1, "D1", 0.0f, 0.034f, 0},
    {K::Knob, 240, 16, param::S1, "S1", 0.0f, 0.034f, 0},
    {K::Knob, 272, 16, param::R1, "R1", 0.0f, 0.034f, 0},
    {K::Knob, 304, 16, param::LFO1, "LFO1", 0.0f, 0.034f, 0},
    {K::Knob, 336, 16, param::VEL1, "VEL1", 0.0f, 0.034f, 0},
    {K::Knob, 16, 80, param::LVL2, "LVL2", 0.0f, 0.034f, 0},
    {K::StepKnob, 48, 80, param::OCT2, "OCT2", 0.0f, 0.0f, 6},
    {K::Knob, 80, 80, param::FIN2, "FIN2", 0.5f, 0.036f, 0},
    {K::Knob, 112, 80, param::WAV2, "WAV2", 0.0f, 0.034f, 0},
    {K::Knob, 144, 80, param::FEB2, "FEB2", 0.0f, 0.034f, 0},
    {K::Knob, 176, 80, param::A2, "A2", 0.0f, 0.034f, 0},
    {K::Knob, 208, 80, param::D2, "D2", 0.0f, 0.034f, 0},
    {K::Knob, 240, 80, param::S2, "S2", 0.0f, 0.034f, 0},
    {K::Knob, 272, 80, param::R2, "R2", 0.0f, 0.034f, 0},
    {K::Knob, 304, 80, param::LFO2, "LFO2", 0.0f, 0.034f, 0},
    {K::Knob, 336, 80, param::VEL2, "VEL2", 0.0f, 0.034f, 0},
    {K::Knob, 16, 144, param::LVL3, "LVL3", 0.0f, 0.034f, 0},
    {K::StepKnob, 48, 144, param::OCT3, "OCT3", 0.0f, 0.0f, 6},
    {K::Knob, 80, 144, param::FIN3, "FIN3", 0.5f, 0.036f, 0},
    {K::Knob, 112, 144, param::WAV3, "WAV3", 0.0f, 0.034f, 0},
    {K::Knob, 144, 144, param::FEB3, "FEB3", 0.0f, 0.034f, 0},
    {K::Knob, 176, 144, param::A3, "A3", 0.0f, 0.034f, 0},
    {K::Knob, 208, 144, param::D3, "D3", 0.0f, 0.034f, 0},
    {K::Knob, 240, 144, param::S3, "S3", 0.0f, 0.034f, 0},
    {K::Knob, 272, 144, param::R3, "R3", 0.0f, 0.034f, 0},
    {K::Knob, 304, 144, param::LFO3, "LFO3", 0.0f, 0.034f, 0},
    {K::Knob, 336, 144, param::VEL3, "VEL3", 0.0f, 0.034f, 0},
    {K::Knob, 16, 208, param::LVL4, "LVL4", 0.0f, 0.034f, 0},
    {K::StepKnob, 48, 208, param::OCT4, "OCT4", 0.0f, 0.0f, 6},
    {K::Knob, 80, 208, param::FIN4, "FIN4", 0.5f, 0.036f, 0},
    {K::Knob, 112, 208, param::WAV4, "WAV4", 0.0f, 0.034f, 0},
    {K::Knob, 144, 208, param::FEB4, "FEB4", 0.0f, 0.034f, 0},
    {K::Knob, 176, 208, param::A4, "A4", 0.0f, 0.034f, 0},
    {K::Knob, 208, 208, param::D4, "D4", 0.0f, 0.034f, 0},
    {K::Knob, 240, 208, param::S4, "S4", 0.0f, 0.034f, 0},
    {K::Knob, 272, 208, param::R4, "R4", 0.0f, 0.034f, 0},
    {K::Knob, 304, 208, param::LFO4, "LFO4", 0.0f, 0.034f, 0},
    {K::Knob, 336, 208, param::VEL4, "VEL4", 0.0f, 0.034f, 0},
    {K::Knob, 16, 272, param::LVLm, "LVLm", 0.0f, 0.034f, 0},
    {K::StepKnob, 48, 272, param::OCTm, "OCTm", 0.0f, 0.0f, 6},
    {K::Knob, 80, 272, param::WAVm, "WAVm", 0.0f, 0.034f, 0},
    {K::Knob, 112, 272, param::FEBm, "FEBm", 0.0f, 0.034f, 0},
    {K::Knob, 144, 272, param::Am, "Am", 0.0f, 0.034f, 0},
    {K::Knob, 176, 272, param::Dm, "Dm", 0.0f, 0.034f, 0},
    {K::Knob, 208, 272, param::Sm, "Sm", 0.0f, 0.034f, 0},
    {K::Knob, 240, 272, param::Rm, "Rm", 0.0f, 0.034f, 0},
    {K::Knob, 272, 272, param::LFOm, "LFOm", 0.0f, 0.034f, 0},
    {K::Knob, 304, 272, param::VELm, "VELm", 0.0f, 0.034f, 0},
    {K::Knob, 448, 15, param::LFO_SPD, "LFO_SPD", 0.0f, 0.034f, 0},
    {K::Knob, 480, 15, param::LFO_PCH, "LFO_PCH", 0.0f, 0.034f, 0},
    {K::Knob, 512, 15, param::LFO_MOD, "LFO_MOD", 0.0f, 0.034f, 0},
    {K::StepKnob, 355, 272, param::PBR, "PBR", 0.0f, 0.0f, 12},
    {K::Knob, 448, 208, param::C_LVL, "C_LVL", 0.0f, 0.034f, 0},
    {K::Knob, 480, 208, param::C_SPD, "C_SPD", 0.0f, 0.034f, 0},
    {K::Knob, 512, 208, param::C_DPH, "C_DPH", 0.0f, 0.034f, 0},
    {K::Knob, 448, 272, param::D_LVL, "D_LVL", 0.0f, 0.034f, 0},
    {K::StepKnob, 480, 272, param::D_SPD, "D_SPD", 0.0f, 0.0f, 8},
    {K::Knob, 512, 272, param::D_FB, "D_FB", 0.0f, 0.034f, 0},
};
// clang-format on

const std::size_t panelLayoutSize = sizeof(panelLayout) / sizeof(panelLayout[0]);

int controlWidth(ControlKind kind) {
    switch (kind) {
        case ControlKind::ThreeWaySwitch:
            return 11;
        case ControlKind::ToggleSwitch:
            return 25;
        case ControlKind::Indicator:
            return 8;
        case ControlKind::Knob:
        case ControlKind::StepKnob:
            return 24;
    }
    return 0;
}

int controlHeight(ControlKind kind) {
    switch (kind) {
        case ControlKind::ThreeWaySwitch:
            return 30;
        case ControlKind::ToggleSwitch:
            return 17;
        case ControlKind::Indicator:
            return 8;
        case ControlKind::Knob:
        case ControlKind::StepKnob:
            return 24;
    }
    return 0;
}
