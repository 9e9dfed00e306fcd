#include "standalone/PluginDriver.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <thread>

#include "plugin/Calyx2Plugin.h"
#include "standalone/StandaloneHost.h"

static_assert(offsetof(VstEvents, events) == 2 * sizeof(VstIntPtr), "VstEvents layout");

namespace {
constexpr auto kConfigureRetry = std::chrono::milliseconds(1);
}  // namespace

PluginDriver::PluginDriver() {
    plugin = new Calyx2Plugin(standaloneHostCallback);
    aeffect = plugin->getAeffect();
    for (std::size_t i = 0; i < midi.size(); ++i) {
        midi[i].type = kVstMidiType;
        midi[i].byteSize = sizeof(VstMidiEvent);
        list.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    dispatch(effOpen);
}

PluginDriver::~PluginDriver() {
    dispatch(effMainsChanged, 0, 0);
    dispatch(effClose);  // the plug-in deletes itself, as it does for a host
}

VstIntPtr PluginDriver::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

void PluginDriver::configure(float sampleRate, int blockSize) {
    bool expected = false;
    while (!busy.compare_exchange_weak(expected, true, std::memory_order_acquire)) {
        expected = false;
        std::this_thread::sleep_for(kConfigureRetry);
    }
    dispatch(effMainsChanged, 0, 0);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    rate.store(sampleRate);
    frames.store(blockSize);
    held.clear();
    busy.store(false, std::memory_order_release);
}

void PluginDriver::addEvent(const MidiMessage& message, int frame) {
    if (pending == maxEventsPerBlock) {
        dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    VstMidiEvent& event = midi[std::size_t(pending++)];
    event.deltaFrames = frame;
    event.midiData[0] = char(message.status);
    event.midiData[1] = char(message.data1);
    event.midiData[2] = char(message.data2);
    track(message);
}

void PluginDriver::addQueued(MidiMessageQueue& queue) {
    MidiMessage message;
    while (pending < maxEventsPerBlock && queue.pop(message)) addEvent(message, 0);
}

void PluginDriver::track(const MidiMessage& message) {
    const uint8_t kind = message.status & 0xF0;
    if (kind == midi::noteOn && message.data2 > 0)
        held.noteOn(message.data1);
    else if (kind == midi::noteOff || kind == midi::noteOn)
        held.noteOff(message.data1);
    else if (kind == midi::controller && (message.data1 == midi::allNotesOff || message.data1 == midi::allSoundOff))
        held.clear();
}

void PluginDriver::render(float* left, float* right, int frameCount) {
    if (busy.exchange(true, std::memory_order_acquire)) {
        // Being reconfigured: silence, no waiting. The events wait for the next block, so that no
        // note-off is lost and no note hangs.
        std::fill(left, left + frameCount, 0.0f);
        std::fill(right, right + frameCount, 0.0f);
        return;
    }
    const int last = std::max(frameCount - 1, 0);
    for (int i = 0; i < pending; ++i) midi[std::size_t(i)].deltaFrames = std::min(midi[std::size_t(i)].deltaFrames, last);
    list.numEvents = pending;
    if (pending > 0) dispatch(effProcessEvents, 0, 0, &list);
    float* outputs[2] = {left, right};
    aeffect->processReplacing(aeffect, nullptr, outputs, frameCount);
    pending = 0;
    busy.store(false, std::memory_order_release);
}

int PluginDriver::program() { return int(dispatch(effGetProgram)); }

void PluginDriver::setProgram(int program) {
    if (program >= 0 && program < aeffect->numPrograms) dispatch(effSetProgram, 0, program);
}

std::string PluginDriver::programName(int program) {
    char name[kVstMaxProgNameLen + 8] = {};
    dispatch(effGetProgramNameIndexed, program, 0, name);
    return std::string(name, strnlen(name, kVstMaxProgNameLen));
}

std::vector<uint8_t> PluginDriver::chunk(bool program) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool PluginDriver::setChunk(const std::vector<uint8_t>& bytes, bool program) {
    std::vector<uint8_t> copy = bytes;  // the plug-in takes a non-const pointer
    return dispatch(effSetChunk, program ? 1 : 0, VstIntPtr(copy.size()), copy.data()) ==
           VstIntPtr(copy.size());
}

void PluginDriver::setParameter(int index, float value) { aeffect->setParameter(aeffect, index, value); }

float PluginDriver::parameter(int index) { return aeffect->getParameter(aeffect, index); }
