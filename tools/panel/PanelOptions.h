// The command line of calyx2-panel: which program to show, which parameters to override, where
// to write the picture.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct PanelOptions {
    int program = 0;
    std::vector<std::pair<int, float>> overrides;  // parameter index, value; applied in order
    std::string output;                            // a .png file, or "-" for standard output
    bool help = false;
    bool version = false;
};

// False with a message in error (one line, without the tool's name) for anything it cannot use.
// Parameters are named as the panel names them ("LVL1", "LFO_SPD") or given by index.
bool parsePanelOptions(int argc, char** argv, PanelOptions& options, std::string& error);
int parameterIndexByName(const std::string& name);  // -1 when unknown

extern const char* const kPanelHelp;
