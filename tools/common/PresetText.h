// A readable, diffable form of programs:
//
//   # comment lines start with '#'; the first names the plug-in the text came from
//   plugin "KZC2"
//   current 3
//
//   program "Glass Bells"
//   LVL1 = 0.75
//   OCT1 = 0.5
//
// "plugin" and "current" are optional. Each "program" line starts a program; the lines after it set
// parameters by name (or by index, for parameters without a usable unique name). Values are written
// with nine significant digits, which gives back every 32-bit float exactly. Parameters a program does
// not list are left as they are.
#pragma once

#include <string>
#include <vector>

#include "host/HostedPlugin.h"

namespace tools {

struct TextProgram {
    struct Value {
        std::string key;
        double value;
        int line;
    };
    std::string name;
    std::vector<Value> values;
    int line = 0;
};

struct PresetText {
    std::string pluginId;     // four characters, or empty
    std::string pluginName;   // written in the heading comment only
    int currentProgram = -1;  // -1: not given
    std::vector<TextProgram> programs;
};

std::string formatPresetText(const PresetText& text);
// On failure returns false with error naming the line.
bool parsePresetText(const std::string& source, PresetText& text, std::string& error);

// The plug-in's current program, or all its programs (switching through them and back).
PresetText presetTextFromPlugin(host::HostedPlugin& plugin, bool wholeBank);
// Programs into the plug-in: one into the current program, or in order from program 0.
bool applyPresetText(host::HostedPlugin& plugin, const PresetText& text, bool wholeBank, std::string& error);

}  // namespace tools
