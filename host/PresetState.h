// Moving a plug-in's state into and out of preset files: the current program as a program preset,
// all programs as a bank. Plug-ins that exchange programs as chunks (effFlagsProgramChunks) get
// opaque presets; the others get parameter lists, read and written program by program.
#pragma once

#include <string>

#include "host/HostedPlugin.h"
#include "host/PresetFile.h"

namespace host {

Preset captureProgram(HostedPlugin& plugin);
// Banks are written in format version 2, which records the current program.
Preset captureBank(HostedPlugin& plugin);

// Loads a program preset into the current program, or a bank into all programs. Fails with one sentence
// when the preset belongs to another plug-in, does not fit it, or the plug-in turns its chunk down.
bool applyPreset(HostedPlugin& plugin, const Preset& preset, std::string& error);

}  // namespace host
