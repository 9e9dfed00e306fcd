// Where the tools find the plug-in when none is named: $CALYX2_PLUGIN, else the calyx2 binary built or
// installed next to the tool (../../plugin/ in the build tree, the tool's own directory, ../lib/vst/).
#pragma once

#include <string>

namespace tools {

// explicitPath wins when non-empty. Returns false with error listing the places searched.
bool locatePlugin(const std::string& explicitPath, std::string& path, std::string& error);

}  // namespace tools
