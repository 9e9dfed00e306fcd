// What a host sees of a plug-in, as text or JSON: identity, channels, programs and parameters with
// their current values; for VST 2.4 plug-ins also the record's fields, the dispatcher's identity
// strings, parameter labels and displays, and canDo answers.
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
    // Plug-ins open a connection to the window system to measure their editor, and some abort
    // without one: ask only when there is a display.
    bool askEditorSize = true;
    bool json = false;
};

void writeInfoReport(host::Instrument& plugin, const InfoRequest& request, std::ostream& out);

}  // namespace tools
