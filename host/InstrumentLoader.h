// Opens a plug-in binary of any format the host library knows, choosing the format from the path.
#pragma once

#include <memory>
#include <string>

#include "host/Instrument.h"

namespace host {

// One instance of the plug-in at path, not yet opened. A directory, a path ending in .lv2 or a URI
// names an LV2 plug-in (where the library was built with lilv); anything else a VST 2.4 binary. On failure returns null with error set to one
// sentence that starts with the path.
std::unique_ptr<Instrument> loadInstrument(const std::string& path, std::string& error);

}  // namespace host
