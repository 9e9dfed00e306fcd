// The host callback the application hands the plug-in object: it answers what the plug-in asks of a
// host (version, time with a tempo) and takes its automation reports without acting on them, since
// here the panel and the plug-in are the same process and nothing records automation.
#pragma once

#include "vst/vst2.h"

constexpr double kDefaultTempo = 120.0;

VstIntPtr VSTCALLBACK standaloneHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt);

// Set before audio starts; the audio thread only reads it.
void setStandaloneTempo(double beatsPerMinute);
