// What the standalone tests share: the plain-tone program they play, the application's command
// line, and the same events rendered in this process through the same plug-in object.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/standalone/JackTestClient.h"

// One operator sounding, no LFO, no chorus or delay: a steady tone whose pitch can be measured and
// whose silence does not change with time (so leading silent periods can be skipped exactly).
// Written as a program preset (.fxp with the plug-in's program chunk) named name.
void writePlainTonePreset(const std::string& path, const std::string& name);

// The preset's program rendered in-process from a fresh plug-in object at the given period.
void renderInProcess(const std::string& presetPath, const std::vector<ScheduledMessage>& schedule, int cycles,
                     int period, std::vector<float>& left, std::vector<float>& right);

// The same events written to a MIDI file whose ticks are samples (24000 ticks a quarter note at
// 120 beats a minute and 48 kHz) and rendered by calyx2-render through calyx2.so at the given block
// size, with the preset loaded. False with error set when the tool fails.
bool renderWithTool(const std::string& renderTool, const std::string& plugin, const std::string& presetPath,
                    const std::vector<ScheduledMessage>& schedule, int period, std::vector<float>& left,
                    std::vector<float>& right, std::string& error);

// The first period that holds a sample other than zero, or -1.
int firstSoundingCycle(const std::vector<float>& samples, int period);

std::vector<std::string> standaloneCommand(std::vector<std::string> arguments);
std::map<std::string, std::string> standaloneEnvironment(const std::string& configFolder);

// The bank file a run left, parsed: current program and its 69 values.
bool readSavedBank(const std::string& configFolder, int& program, std::vector<float>& values);
