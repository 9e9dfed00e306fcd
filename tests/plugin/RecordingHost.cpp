#include "RecordingHost.h"

RecordingHost* RecordingHost::current = nullptr;

RecordingHost::RecordingHost() {
    time.tempo = 120.0;
    time.sampleRate = 44100.0;
    current = this;
}

VstIntPtr VSTCALLBACK RecordingHost::callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                              float opt) {
    RecordingHost* host = current;
    if (!host) return 0;
    switch (opcode) {
        case audioMasterVersion: return host->version;
        case audioMasterAutomate: host->automation.push_back({index, opt}); return 0;
        case audioMasterWantMidi: ++host->wantMidiCalls; return 1;
        case audioMasterGetTime:
            ++host->timeQueries;
            return host->hasTime ? reinterpret_cast<VstIntPtr>(&host->time) : 0;
        case audioMasterUpdateDisplay: ++host->updateDisplayCalls; return 1;
        default: return 0;
    }
}
