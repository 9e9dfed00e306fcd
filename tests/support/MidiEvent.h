// One MIDI message as a host hands it to a plug-in, for the tests that play the plug-in object.
#pragma once

#include "vst/vst2.h"

inline VstMidiEvent midiEvent(int status, int data1, int data2, int deltaFrames) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}
