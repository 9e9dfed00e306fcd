#include "lv2/Calyx2Lv2.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

#include <cstring>
#include <new>

#include "lv2/FeatureLookup.h"
#include "plugin/ProgramBank.h"

namespace {
// Without the host's word on its longest run, work buffers of this many frames; longer runs are
// rendered in stretches by the plug-in object.
constexpr VstInt32 kDefaultBlockSize = 4096;

// The host's longest run from the options feature, or 0.
VstInt32 maxBlockLength(const LV2_Options_Option* options, LV2_URID_Map map) {
    if (!options) return 0;
    const LV2_URID maxLength = map.map(map.handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = map.map(map.handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* option = options; option->key; ++option)
        if (option->key == maxLength && option->type == atomInt && option->size == sizeof(int32_t))
            return *static_cast<const int32_t*>(option->value);
    return 0;
}
}  // namespace

Calyx2Lv2* Calyx2Lv2::create(double sampleRate, const LV2_Feature* const* features) {
    const auto* map = static_cast<const LV2_URID_Map*>(findFeature(features, LV2_URID__map));
    if (!map) return nullptr;
    try {
        std::unique_ptr<Calyx2Lv2> instance(new Calyx2Lv2(*map));
        instance->plugin->setSampleRate(static_cast<float>(sampleRate));
        const auto* options =
            static_cast<const LV2_Options_Option*>(findFeature(features, LV2_OPTIONS__options));
        const VstInt32 longest = maxBlockLength(options, *map);
        instance->plugin->setBlockSize(longest > 0 ? longest : kDefaultBlockSize);
        return instance.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Calyx2Lv2::Calyx2Lv2(const LV2_URID_Map& map) {
    auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    uris = {id(LV2_ATOM__Blank),      id(LV2_ATOM__Object),       id(LV2_ATOM__Chunk),
            id(LV2_ATOM__Int),        id(LV2_ATOM__Float),        id(LV2_ATOM__Double),
            id(LV2_MIDI__MidiEvent),  id(LV2_TIME__Position),     id(LV2_TIME__beatsPerMinute),
            id(lv2id::kBankStateKey), id(lv2id::kProgramStateKey)};
    restoredBank.reset(new uint8_t[kBankChunkSize]);
    plugin.reset(new Calyx2Plugin(&Calyx2Lv2::hostCallback));
    plugin->getAeffect()->user = this;
    for (int i = 0; i < param::Count; ++i) appliedValues[i] = plugin->getParameter(i);
    midiEvent.type = kVstMidiType;
    midiEvent.byteSize = sizeof(VstMidiEvent);
    eventList.numEvents = 1;
    eventList.events[0] = reinterpret_cast<VstEvent*>(&midiEvent);
    timeInfo.flags = kVstTempoValid;
}

VstIntPtr VSTCALLBACK Calyx2Lv2::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*,
                                              float) {
    switch (opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterGetTime: {
            auto* self = effect ? static_cast<Calyx2Lv2*>(effect->user) : nullptr;
            return self && self->hasTempo ? reinterpret_cast<VstIntPtr>(&self->timeInfo) : 0;
        }
        default:
            return 0;
    }
}

void Calyx2Lv2::connectPort(uint32_t port, void* data) {
    if (lv2port::isParameter(port))
        parameterPorts[port] = static_cast<const float*>(data);
    else if (port == lv2port::kEvents)
        eventPort = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == lv2port::kLeftOutput)
        outputs[0] = static_cast<float*>(data);
    else if (port == lv2port::kRightOutput)
        outputs[1] = static_cast<float*>(data);
}

void Calyx2Lv2::activate() {
    timeInfo.sampleRate = plugin->getSampleRate();
    plugin->resume();
}

void Calyx2Lv2::deactivate() {
    plugin->suspend();
}

void Calyx2Lv2::applyChangedPorts() {
    for (int i = 0; i < param::Count; ++i) {
        if (!parameterPorts[i]) continue;
        const float value = *parameterPorts[i];
        if (adoptPortValues) {
            appliedValues[i] = value;
            continue;
        }
        // Bitwise, so that a NaN the host leaves in a port is applied once rather than every run.
        if (std::memcmp(&value, &appliedValues[i], sizeof value) == 0) continue;
        appliedValues[i] = value;
        plugin->setParameter(i, value);
    }
    adoptPortValues = false;
}

void Calyx2Lv2::readTimePosition(const LV2_Atom_Object* position) {
    const LV2_Atom* tempo = nullptr;
    lv2_atom_object_get(position, uris.timeBeatsPerMinute, &tempo, 0);
    if (!tempo) return;
    if (tempo->type == uris.atomFloat)
        timeInfo.tempo = reinterpret_cast<const LV2_Atom_Float*>(tempo)->body;
    else if (tempo->type == uris.atomDouble)
        timeInfo.tempo = reinterpret_cast<const LV2_Atom_Double*>(tempo)->body;
    else
        return;
    hasTempo = true;
}

// One event at a time: the plug-in object queues each as it arrives, as from a host's longer list.
void Calyx2Lv2::deliverMidi(const uint8_t* bytes, uint32_t size, uint32_t deltaFrames) {
    midiEvent.deltaFrames = static_cast<VstInt32>(deltaFrames);
    std::memset(midiEvent.midiData, 0, sizeof midiEvent.midiData);
    std::memcpy(midiEvent.midiData, bytes, size);
    plugin->processEvents(&eventList);
}

void Calyx2Lv2::renderSlice(uint32_t firstFrame, uint32_t endFrame) {
    float* sliceOutputs[2] = {outputs[0] + firstFrame, outputs[1] + firstFrame};
    plugin->processReplacing(nullptr, sliceOutputs, static_cast<VstInt32>(endFrame - firstFrame));
}

void Calyx2Lv2::run(uint32_t frames) {
    if (!outputs[0] || !outputs[1]) return;
    applyChangedPorts();
    const SynthEngine& engine = plugin->getEngine();
    uint32_t sliceStart = 0;
    if (eventPort) {
        LV2_ATOM_SEQUENCE_FOREACH(eventPort, event) {
            const LV2_Atom& body = event->body;
            if (body.type == uris.atomObject || body.type == uris.atomBlank) {
                const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&body);
                if (object->body.otype == uris.timePosition) readTimePosition(object);
                continue;
            }
            if (body.type != uris.midiEvent || body.size == 0 || body.size > 3) continue;
            const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&body));
            if (bytes[0] < 0x80) continue;  // running status has no place in an atom
            const int64_t at = event->time.frames;
            uint32_t frame = at < 0 ? 0 : (at > frames ? frames : static_cast<uint32_t>(at));
            if (frame < sliceStart) frame = sliceStart;
            if (engine.eventCount > SynthEngine::kMaxEvents - kQueueHeadroom && frame > sliceStart) {
                renderSlice(sliceStart, frame);
                sliceStart = frame;
            }
            deliverMidi(bytes, body.size, frame - sliceStart);
        }
    }
    // A run of no frames still plays what it delivered, so that no event waits in the queue.
    if (frames > sliceStart || engine.eventCount > 0) renderSlice(sliceStart, frames);
    timeInfo.samplePos += frames;
}

LV2_State_Status Calyx2Lv2::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    void* bank = nullptr;
    const VstInt32 size = plugin->getChunk(&bank, false);
    const int32_t program = plugin->getProgram();
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(handle, uris.bankKey, bank, size, uris.atomChunk, flags);
    if (status != LV2_STATE_SUCCESS) return status;
    return store(handle, uris.programKey, &program, sizeof program, uris.atomInt, flags);
}

// A state without the bank (a preset is only port values, and lilv restores presets through here too)
// leaves the bank and the program as they are; the port values that come with it set the sound.
LV2_State_Status Calyx2Lv2::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* bank = retrieve(handle, uris.bankKey, &size, &type, &flags);
    if (bank && type == uris.atomChunk && size == static_cast<size_t>(kBankChunkSize)) {
        std::memcpy(restoredBank.get(), bank, kBankChunkSize);
        plugin->setChunk(restoredBank.get(), kBankChunkSize, false);
        adoptPortValues = true;
    } else if (bank) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    const void* program = retrieve(handle, uris.programKey, &size, &type, &flags);
    if (program && type == uris.atomInt && size == sizeof(int32_t)) {
        int32_t number = 0;
        std::memcpy(&number, program, sizeof number);
        if (number >= 0 && number < kProgramCount) plugin->setProgram(number);
    }
    return LV2_STATE_SUCCESS;
}
