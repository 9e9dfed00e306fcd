// Indices of the 69 parameters. The same order is used by the engine's live values, by every
// stored program, by the factory bank and by the panel. Names are the ones the panel shows.
#pragma once

namespace param {
enum Index : int {
    LVL1, OCT1, FIN1, WAV1, FEB1, A1, D1, S1, R1, LFO1, VEL1, RTE1,
    LVL2, OCT2, FIN2, WAV2, FEB2, A2, D2, S2, R2, LFO2, VEL2, RTE2,
    LVL3, OCT3, FIN3, WAV3, FEB3, A3, D3, S3, R3, LFO3, VEL3, RTE3,
    LVL4, OCT4, FIN4, WAV4, FEB4, A4, D4, S4, R4, LFO4, VEL4, RTE4,
    LVLm, OCTm, WAVm, FEBm, Am, Dm, Sm, Rm, LFOm, VELm,
    LFO_SPD, LFO_MOD, LFO_PCH, PBR,
    AAA,
    C_LVL, C_SPD, C_DPH,
    D_LVL, D_SPD, D_FB,
    Count
};

// Offsets inside one operator section of twelve (operators 1 to 4).
enum SectionOffset : int { LVL, OCT, FIN, WAV, FEB, A, D, S, R, LFO, VEL, RTE, SectionSize };

// Not a parameter: asks every voice to recompute everything it derives from the parameters.
constexpr int RecomputeAll = 100;

constexpr int operatorBase(int op) { return op * SectionSize; }  // op 0..3 for operators 1..4
}  // namespace param

static_assert(param::Count == 69, "69 parameters");
static_assert(param::LVLm == 48 && param::LFO_SPD == 58 && param::AAA == 62 && param::D_FB == 68, "order");
