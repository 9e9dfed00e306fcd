// Naming parameters and programs on the command line: by number, or by the name the plug-in reports
// (exact first, then ignoring case).
#pragma once

#include <string>

#include "host/Instrument.h"

namespace tools {

struct ParameterSetting {
    std::string key;  // a name or an index
    float value = 0.0f;
};

// What every tool says of a parameter value outside 0..1, after naming the value.
constexpr const char* kParameterRangeMessage = "parameter values run from 0 to 1";
bool isParameterValue(double value);

// "NAME=VALUE" with VALUE a number from 0 to 1.
bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& error);

// The parameter's index, or -1 with error set.
int findParameter(host::Instrument& plugin, const std::string& key, std::string& error);

// A program number (0-based) or name; -1 with error set.
int findProgram(host::Instrument& plugin, const std::string& key, std::string& error);

// Whole-string number parsing; false on anything else.
bool parseInteger(const std::string& text, long long& value);
bool parseNumber(const std::string& text, double& value);

std::string trimmed(const std::string& text);

}  // namespace tools
