// Where the tools find plug-ins.
//  - A name with a slash, or the name of an existing file or folder, is taken as a path.
//  - Any other name is looked up, ignoring case, as a file name or file name without its extension
//    (and without a "-vst"-style suffix) in $VST_PATH, ~/.vst, /usr/lib/vst, /usr/local/lib/vst,
//    $CLAP_PATH, ~/.clap, /usr/lib/clap, $LV2_PATH, ~/.lv2, /usr/lib/lv2 (in that order; the variables
//    hold folders separated by ':'), and the folders inside them. Plug-ins are .so, .dll and .clap
//    files and .lv2 bundle folders.
//  - With no name at all: $CALYX2_PLUGIN, else the calyx2 binary built or installed next to the tool
//    (../../plugin/ in the build tree, the tool's own folder, ../lib/vst/), else the plug-in named
//    calyx2 in the folders above (a per-user install puts it in ~/.vst).
#pragma once

#include <string>
#include <vector>

namespace tools {

// Returns false with error saying where it looked.
bool locatePlugin(const std::string& nameOrPath, std::string& path, std::string& error);

// The folders searched for plug-ins by name, in order.
std::vector<std::string> pluginSearchPath();

}  // namespace tools
