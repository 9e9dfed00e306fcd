// Parameter values as the host shows and types them: plain numbers, the same in every locale.
#pragma once

#include <cstdint>

namespace calyx2clap {

// The shortest decimal that reads back as the same 32-bit value (the plug-in keeps floats), cut to
// fit capacity with its terminator. False when it does not fit or there is no buffer.
bool formatParameterValue(double value, char* buffer, uint32_t capacity);

// A plain number, blanks around it allowed, clamped to 0..1. False for anything else.
bool parseParameterValue(const char* text, double& value);

}  // namespace calyx2clap
