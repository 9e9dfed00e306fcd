#include "standalone/StandaloneHost.h"

namespace {
constexpr VstIntPtr kHostVstVersion = kVstVersion;

// The plug-in reads only the tempo; the rest says "no transport" honestly.
VstTimeInfo timeInfo = [] {
    VstTimeInfo info{};
    info.tempo = kDefaultTempo;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    info.flags = kVstTempoValid | kVstTimeSigValid;
    return info;
}();
}  // namespace

void setStandaloneTempo(double beatsPerMinute) { timeInfo.tempo = beatsPerMinute; }

VstIntPtr VSTCALLBACK standaloneHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kHostVstVersion;
        case audioMasterGetTime:
            return reinterpret_cast<VstIntPtr>(&timeInfo);
        case audioMasterWantMidi:
            return 1;
        default:  // automation, display updates: the window follows the plug-in by itself
            return 0;
    }
}
