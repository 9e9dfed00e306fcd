// What a host sees of a VST 2.4 plug-in, as text or JSON: the record's fields, identity strings,
// programs, parameters with their current values, and canDo answers.
#pragma once

#include <ostream>
#include <string>

#include "host/HostedPlugin.h"

namespace tools {

// Flag bits by their interface names ("effFlagsIsSynth ..."), unknown bits in hexadecimal.
std::string flagNames(int32_t flags);
std::string categoryName(VstIntPtr category);

struct InfoRequest {
    std::string path;
    std::string entryName;
    // Plug-ins open a connection to the window system to measure their editor, and some abort
    // without one: ask only when there is a display.
    bool askEditorSize = true;
    bool json = false;
};

void writeInfoReport(host::HostedPlugin& plugin, const InfoRequest& request, std::ostream& out);

}  // namespace tools
