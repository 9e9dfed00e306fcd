// A host callback for tests of the plug-in object: answers the version query, serves a tempo and
// records what the plug-in tells the host.
#pragma once

#include <vector>

#include "vst/vst2.h"

struct RecordingHost {
    struct Automation {
        int index;
        float value;
    };
    VstIntPtr version = 2400;
    bool hasTime = true;
    VstTimeInfo time{};
    std::vector<Automation> automation;
    int wantMidiCalls = 0;
    int updateDisplayCalls = 0;
    int timeQueries = 0;

    RecordingHost();
    // The callback; the current test's host is a process-wide pointer.
    static VstIntPtr VSTCALLBACK callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                          float opt);
    static RecordingHost* current;
};
