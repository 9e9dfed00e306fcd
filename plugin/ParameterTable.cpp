#include "plugin/ParameterTable.h"

#include <cstring>

// Octave, route, the velocity of operator m and the global switches are set, not played:
// hosts are not offered them for automation.
const ParameterInfo kParameterTable[param::Count] = {
    {"LVL1", true}, {"OCT1", false}, {"FIN1", true}, {"WAV1", true}, {"FEB1", true}, {"A1", true},
    {"D1", true},   {"S1", true},    {"R1", true},   {"LFO1", true}, {"VEL1", true}, {"RTE1", false},
    {"LVL2", true}, {"OCT2", false}, {"FIN2", true}, {"WAV2", true}, {"FEB2", true}, {"A2", true},
    {"D2", true},   {"S2", true},    {"R2", true},   {"LFO2", true}, {"VEL2", true}, {"RTE2", false},
    {"LVL3", true}, {"OCT3", false}, {"FIN3", true}, {"WAV3", true}, {"FEB3", true}, {"A3", true},
    {"D3", true},   {"S3", true},    {"R3", true},   {"LFO3", true}, {"VEL3", true}, {"RTE3", false},
    {"LVL4", true}, {"OCT4", false}, {"FIN4", true}, {"WAV4", true}, {"FEB4", true}, {"A4", true},
    {"D4", true},   {"S4", true},    {"R4", true},   {"LFO4", true}, {"VEL4", true}, {"RTE4", false},
    {"LVLm", true}, {"OCTm", false}, {"WAVm", true}, {"FEBm", true}, {"Am", true},   {"Dm", true},
    {"Sm", true},   {"Rm", true},    {"LFOm", true}, {"VELm", false},
    {"LFO_SPD", true}, {"LFO_MOD", true}, {"LFO_PCH", true}, {"PBR", false},
    {"AAA", false},
    {"C_LVL", false}, {"C_SPD", false}, {"C_DPH", false},
    {"D_LVL", false}, {"D_SPD", false}, {"D_FB", false},
};

int findParameterByName(const char* name) {
    for (int i = 0; i < param::Count; ++i)
        if (std::strcmp(kParameterTable[i].name, name) == 0) return i;
    return -1;
}
