// The host the page plays: it answers the plug-in's version and time requests (a fixed tempo) and
// keeps the parameter changes the panel makes, until the page forwards them to the sound instance.
#pragma once

#include <cstdint>

#include "vst/vst2.h"

namespace web {

struct Automation {
    int32_t index;
    float value;
};

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt);
void setHostTempo(double beatsPerMinute);
void setHostSampleRate(double rate);

// Changes reported through audioMasterAutomate since the last clear, the latest value of each
// parameter once.
int automationCount();
const Automation& automationAt(int i);
void clearAutomation();

}  // namespace web
