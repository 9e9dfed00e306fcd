// .fxp and .fxb files named on the command line, parsed by the host library and put into the
// plug-in object: a program into the current program, a bank over all programs.
#pragma once

#include <string>

class PluginDriver;

bool importPresetFile(const std::string& path, PluginDriver& plugin, std::string& error);
