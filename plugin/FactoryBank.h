// The 32 sounds the plug-in starts with. Each program is a named block of parameter settings;
// fillFactoryBank turns them into bank records once, at construction.
#pragma once

#include "engine/ParameterIndex.h"
#include "plugin/ProgramBank.h"

struct FactorySetting {
    param::Index parameter;
    float value;
};

struct FactoryProgram {
    const char* name;
    FactorySetting settings[param::Count];  // every parameter exactly once
};

extern const FactoryProgram kFactoryPrograms[kProgramCount];

void fillFactoryBank(ProgramRecord* table);
