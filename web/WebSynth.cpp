#include "web/WebSynth.h"

#include <cstring>
#include <memory>
#include <vector>

#include "web/WebExport.h"
#include "web/WebHost.h"

namespace web {
namespace {
constexpr int kEventCapacity = 1024;  // per block; more than any keyboard or MIDI port sends
constexpr int kTextCapacity = 64;

// VstEvents with room for a whole block's events, laid out as the declared record.
struct EventList {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[kEventCapacity];
};

std::unique_ptr<Calyx2Plugin> plugin;
VstMidiEvent midiEvents[kEventCapacity];
EventList eventList;
float left[kBlockFrames];
float right[kBlockFrames];
char text[kTextCapacity];
std::vector<uint8_t> bytes;  // a chunk handed out, or a buffer the page fills
}  // namespace

Calyx2Plugin* synth() { return plugin.get(); }

uint8_t* byteBuffer(int size) {
    bytes.assign(static_cast<size_t>(size > 0 ? size : 0), 0);
    return bytes.data();
}

VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    AEffect* effect = plugin->getAeffect();
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

}  // namespace web

using namespace web;

WEB_EXPORT int web_open(float sampleRate) {
    if (plugin) return 1;
    plugin = std::make_unique<Calyx2Plugin>(hostCallback);
    setHostSampleRate(sampleRate);
    dispatch(effOpen, 0, 0, nullptr, 0.0f);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, kBlockFrames, nullptr, 0.0f);
    dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int i = 0; i < kEventCapacity; ++i) {
        midiEvents[i].type = kVstMidiType;
        midiEvents[i].byteSize = sizeof(VstMidiEvent);
        eventList.events[i] = reinterpret_cast<VstEvent*>(&midiEvents[i]);
    }
    return 1;
}

// Queues a MIDI message for the next block; dropped when the block's list is full.
WEB_EXPORT void web_midi(int frame, int status, int data1, int data2) {
    if (eventList.numEvents >= kEventCapacity) return;
    VstMidiEvent& event = midiEvents[eventList.numEvents++];
    event.deltaFrames = frame;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
}

// One block of `frames` (at most 128) with the queued messages, into web_output(0) and (1).
WEB_EXPORT void web_render(int frames) {
    if (frames < 0 || frames > kBlockFrames) frames = kBlockFrames;
    if (eventList.numEvents > 0) {
        dispatch(effProcessEvents, 0, 0, &eventList, 0.0f);
        eventList.numEvents = 0;
    }
    float* outputs[2] = {left, right};
    AEffect* effect = plugin->getAeffect();
    effect->processReplacing(effect, nullptr, outputs, frames);
}

WEB_EXPORT float* web_output(int channel) { return channel == 0 ? left : right; }

WEB_EXPORT void web_set_parameter(int index, float value) { plugin->setParameter(index, value); }
WEB_EXPORT float web_get_parameter(int index) { return plugin->getParameter(index); }
WEB_EXPORT int web_parameter_count() { return plugin->getAeffect()->numParams; }
WEB_EXPORT const char* web_parameter_name(int index) {
    std::memset(text, 0, sizeof text);
    dispatch(effGetParamName, index, 0, text, 0.0f);
    return text;
}
WEB_EXPORT const char* web_parameter_display(int index) {
    std::memset(text, 0, sizeof text);
    dispatch(effGetParamDisplay, index, 0, text, 0.0f);
    return text;
}

WEB_EXPORT void web_set_program(int program) { dispatch(effSetProgram, 0, program, nullptr, 0.0f); }
WEB_EXPORT int web_get_program() { return static_cast<int>(dispatch(effGetProgram, 0, 0, nullptr, 0.0f)); }
WEB_EXPORT int web_program_count() { return plugin->getAeffect()->numPrograms; }
WEB_EXPORT const char* web_program_name(int program) {
    std::memset(text, 0, sizeof text);
    dispatch(effGetProgramNameIndexed, program, 0, text, 0.0f);
    return text;
}

// Byte exchange with the page: web_bytes(n) gives a buffer of n bytes to fill; web_get_chunk leaves
// the plug-in's chunk there and returns its size (web_bytes_data points at it).
WEB_EXPORT uint8_t* web_bytes(int size) { return byteBuffer(size); }
WEB_EXPORT uint8_t* web_bytes_data() { return bytes.data(); }

WEB_EXPORT int web_get_chunk(int isPreset) {
    void* data = nullptr;
    const auto size = static_cast<int>(dispatch(effGetChunk, isPreset, 0, &data, 0.0f));
    if (!data || size <= 0) return 0;
    const auto* first = static_cast<const uint8_t*>(data);
    bytes.assign(first, first + size);
    return size;
}

// Sets the chunk now in the byte buffer; returns the plug-in's answer (non-zero accepted).
WEB_EXPORT int web_set_chunk(int isPreset) {
    return static_cast<int>(dispatch(effSetChunk, isPreset, static_cast<VstIntPtr>(bytes.size()), bytes.data(), 0.0f));
}
