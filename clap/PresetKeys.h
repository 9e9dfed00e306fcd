// How the factory programs are named to CLAP hosts: presets inside the plug-in (location kind
// "plugin", no location) whose load key is the program number in decimal, "0" to "31".
#pragma once

#include <string>

namespace calyx2clap {

// The program a load key names, or -1.
int programForKey(const char* key);
std::string keyForProgram(int program);

}  // namespace calyx2clap
