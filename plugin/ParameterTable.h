// What the host is told about each parameter: its name and whether it may be automated. One
// table, in index order, read by the plug-in object, the tools and the tests.
#pragma once

#include "engine/ParameterIndex.h"

struct ParameterInfo {
    const char* name;  // at most seven characters
    bool automatable;
};

extern const ParameterInfo kParameterTable[param::Count];

// Index of the parameter with this exact name, or -1.
int findParameterByName(const char* name);
