#include "fuzz/FuzzHost.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "plugin/Calyx2Plugin.h"

namespace fuzzhost {
namespace {

// The published SysEx event, which the interface header leaves out because the plug-in ignores it.
struct SysexEvent {
    VstInt32 type;
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr reserved1;
    char* sysexDump;
    VstIntPtr reserved2;
};

bool hostHasTime = true;
VstTimeInfo timeInfo{};

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterGetTime:
            return hostHasTime ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
        case audioMasterWantMidi:
        case audioMasterUpdateDisplay:
            return 1;
        default:
            return 0;
    }
}

float fromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

void fail(const char* what) {
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}

void setHostTempo(bool hasTime, double tempo) {
    hostHasTime = hasTime;
    timeInfo = VstTimeInfo{};
    timeInfo.tempo = tempo;
    timeInfo.sampleRate = 44100.0;
    timeInfo.flags = kVstTempoValid;
}

AEffect* openPlugin(bool referenceVoices) {
    setHostTempo(true, 120.0);
    // The entry point's source also defines "main", which libFuzzer's own main rules out; this is
    // what it does for a host that answers the version query.
    auto* plugin = new Calyx2Plugin(hostCallback);
    if (referenceVoices) plugin->getEngine().setVoicePath(SynthEngine::VoicePath::Reference);
    AEffect* effect = plugin->getAeffect();
    if (!effect || effect->magic != kEffectMagic)
        fail("the entry point gave no usable record to a willing host");
    dispatch(effect, effOpen);
    return effect;
}

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void closePlugin(AEffect* effect) {
    if (dispatch(effect, effClose) != 1) fail("effClose did not answer 1");
}

std::vector<float> processBlock(AEffect* effect, int frames) {
    const size_t length = frames > 0 ? static_cast<size_t>(frames) : 0;
    // Exactly the block's length, on the heap, so AddressSanitizer sees one sample too many.
    std::unique_ptr<float[]> left(new float[length]);
    std::unique_ptr<float[]> right(new float[length]);
    float* outputs[2] = {left.get(), right.get()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    std::vector<float> both(left.get(), left.get() + length);
    both.insert(both.end(), right.get(), right.get() + length);
    return both;
}

float hostileFloat(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 13)) {
        case 0:
            return std::numeric_limits<float>::quiet_NaN();
        case 1:
            return std::numeric_limits<float>::infinity();
        case 2:
            return -std::numeric_limits<float>::infinity();
        case 3:
            return std::numeric_limits<float>::denorm_min();
        case 4:
            return -FLT_MIN / 2.0f;
        case 5:
            return FLT_MAX;
        case 6:
            return -FLT_MAX;
        case 7:
            return 0.0f;
        case 8:
            return -0.0f;
        case 9:
            return 1.0f;
        case 10:
            return 2147483648.0f;
        case 11:
            return fromBits(input.ConsumeIntegral<uint32_t>());
        default:
            return input.ConsumeProbability<float>();
    }
}

double hostileTempo(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 9)) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return std::numeric_limits<double>::infinity();
        case 2:
            return -120.0;
        case 3:
            return 0.0;
        case 4:
            return 1e-300;
        case 5:
            return 1e300;
        case 6:
            return input.ConsumeFloatingPoint<double>();
        default:
            return input.ConsumeFloatingPointInRange(1.0, 999.0);
    }
}

EventList::EventList(FuzzedDataProvider& input, int maxEvents, int blockFrames) {
    int count = input.ConsumeIntegralInRange(0, maxEvents);
    const bool negativeCount = input.ConsumeIntegralInRange(0, 31) == 0;
    if (negativeCount) count = 0;
    // VstEvents declares two pointers; a longer list continues past them.
    const size_t pointerSlots = static_cast<size_t>(count > 2 ? count : 2);
    const size_t headerBytes = offsetof(VstEvents, events) + pointerSlots * sizeof(VstEvent*);
    header.reset(new unsigned char[headerBytes]());
    VstEvents* events_ = list();
    // The list runs past the two pointers the struct declares; index through a plain pointer.
    VstEvent** slots = events_->events;
    events_->numEvents = negativeCount ? input.ConsumeIntegralInRange<VstInt32>(INT32_MIN, -1) : count;

    for (int i = 0; i < count; ++i) {
        const int kind = input.ConsumeIntegralInRange(0, 15);
        if (kind == 0) {  // a hole in the list
            slots[i] = nullptr;
            continue;
        }
        const bool sysex = kind == 1;
        const size_t bytes = sysex ? sizeof(SysexEvent) : sizeof(VstMidiEvent);
        std::unique_ptr<unsigned char[]> storage(new unsigned char[bytes]());
        auto* event = reinterpret_cast<VstMidiEvent*>(storage.get());
        if (kind == 2)
            event->type = input.ConsumeIntegral<VstInt32>();
        else
            event->type = sysex ? kVstSysExType : kVstMidiType;
        event->byteSize =
            input.ConsumeBool() ? static_cast<VstInt32>(bytes) - 8 : input.ConsumeIntegral<VstInt32>();
        if (input.ConsumeIntegralInRange(0, 7) == 0)
            event->deltaFrames = input.ConsumeIntegral<VstInt32>();
        else
            event->deltaFrames = input.ConsumeIntegralInRange(0, blockFrames > 0 ? blockFrames - 1 : 0);
        event->flags = input.ConsumeIntegral<VstInt32>();
        if (sysex) {
            auto* dump = reinterpret_cast<SysexEvent*>(event);
            const auto dumpBytes = input.ConsumeIntegralInRange(0, 64);
            std::unique_ptr<char[]> data(new char[dumpBytes + 1]());
            for (int b = 0; b < dumpBytes; ++b) data[b] = input.ConsumeIntegral<char>();
            dump->dumpBytes = dumpBytes;
            dump->sysexDump = data.get();
            dumps.push_back(std::move(data));
        } else {
            // Mostly channel messages the engine acts on, so that the queue and voices get busy.
            static constexpr unsigned char statuses[] = {0x90, 0x80, 0xB0, 0xE0, 0x90, 0x90};
            const unsigned char status =
                input.ConsumeBool() ? statuses[input.ConsumeIntegralInRange<size_t>(0, sizeof statuses - 1)]
                                    : input.ConsumeIntegral<unsigned char>();
            event->midiData[0] = static_cast<char>(status | input.ConsumeIntegralInRange(0, 15));
            event->midiData[1] = input.ConsumeIntegral<char>();
            event->midiData[2] = input.ConsumeIntegral<char>();
            event->midiData[3] = input.ConsumeIntegral<char>();
            event->noteLength = input.ConsumeIntegral<VstInt32>();
            event->noteOffset = input.ConsumeIntegral<VstInt32>();
            event->detune = input.ConsumeIntegral<char>();
            event->noteOffVelocity = input.ConsumeIntegral<char>();
        }
        slots[i] = reinterpret_cast<VstEvent*>(event);
        events.push_back(std::move(storage));
    }
}

}  // namespace fuzzhost
