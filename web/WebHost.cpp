#include "web/WebHost.h"

#include "web/WebExport.h"

namespace web {
namespace {
constexpr VstIntPtr kHostVersion = 2400;
constexpr int kAutomationCapacity = 256;

VstTimeInfo timeInfo = [] {
    VstTimeInfo info{};
    info.sampleRate = 44100.0;
    info.tempo = 120.0;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    info.flags = kVstTempoValid;
    return info;
}();

Automation automation[kAutomationCapacity];
int automations = 0;

// One entry per parameter, in the order of first change: the sound instance needs only the latest
// value of each, and the list can then never overflow with the plug-in's 69 parameters.
void recordAutomation(int32_t index, float value) {
    for (int i = 0; i < automations; ++i) {
        if (automation[i].index == index) {
            automation[i].value = value;
            return;
        }
    }
    if (automations < kAutomationCapacity) automation[automations++] = Automation{index, value};
}
}  // namespace

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    switch (opcode) {
        case audioMasterVersion:
            return kHostVersion;
        case audioMasterGetTime:
            return reinterpret_cast<VstIntPtr>(&timeInfo);
        case audioMasterAutomate:
            recordAutomation(index, opt);
            return 1;
        default:
            return 0;
    }
}

void setHostTempo(double beatsPerMinute) { timeInfo.tempo = beatsPerMinute; }
void setHostSampleRate(double rate) { timeInfo.sampleRate = rate; }

int automationCount() { return automations; }
const Automation& automationAt(int i) { return automation[i]; }
void clearAutomation() { automations = 0; }

}  // namespace web

WEB_EXPORT int web_automation_count() { return web::automationCount(); }
WEB_EXPORT int web_automation_index(int i) { return web::automationAt(i).index; }
WEB_EXPORT float web_automation_value(int i) { return web::automationAt(i).value; }
WEB_EXPORT void web_automation_clear() { web::clearAutomation(); }
WEB_EXPORT void web_set_tempo(double beatsPerMinute) { web::setHostTempo(beatsPerMinute); }
