// What a host sees of a VST 2.4 plug-in, as text: the record's fields, identity strings, programs,
// parameters and canDo answers.
#pragma once

#include <ostream>
#include <string>

#include "host/HostedPlugin.h"

namespace tools {

// Flag bits by their interface names ("effFlagsIsSynth ..."), unknown bits in hexadecimal.
std::string flagNames(int32_t flags);
std::string categoryName(VstIntPtr category);

void writeInfoReport(host::HostedPlugin& plugin, const std::string& path, const std::string& entryName,
                     std::ostream& out);

}  // namespace tools
