// setChunk with any bytes, any declared size, either flag, or no data at all; then the loaded values
// are played, so that parameter values no panel could produce go through the whole output chain.
// Checks beyond memory safety: only the two chunk sizes are ever accepted, an accepted chunk reads
// back byte for byte, and a rejected one changes nothing.
#include <cstring>
#include <iterator>
#include <vector>

#include "fuzz/FuzzHost.h"

namespace {
using namespace fuzzhost;

constexpr int kProgramChunk = 276;
constexpr int kBankChunk = 9600;
constexpr int kLargestHonestBuffer = 16384;

std::vector<unsigned char> chunkOf(AEffect* effect, bool oneProgram) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effect, effGetChunk, oneProgram ? 1 : 0, 0, &data);
    if (size != (oneProgram ? kProgramChunk : kBankChunk) || !data)
        fail("getChunk gave an unexpected size or null");
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

// Notes across the whole keyboard at full velocity with the bend and the wheel at their ends, so that
// every loaded value set is played even when the chunk used up the input.
void playChord(AEffect* effect) {
    static constexpr unsigned char messages[][3] = {
        {0xE0, 0x7F, 0x7F}, {0xB0, 1, 127},  {0x90, 0, 127},
        {0x90, 24, 127},    {0x90, 60, 127}, {0x90, 127, 127},
    };
    VstMidiEvent events[std::size(messages)] = {};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* pointers[std::size(messages)];
    } list{static_cast<VstInt32>(std::size(messages)), 0, {}};
    for (size_t i = 0; i < std::size(messages); ++i) {
        events[i].type = kVstMidiType;
        events[i].byteSize = sizeof(VstMidiEvent);
        for (int b = 0; b < 3; ++b) events[i].midiData[b] = static_cast<char>(messages[i][b]);
        list.pointers[i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    dispatch(effect, effProcessEvents, 0, 0, &list);
    processBlock(effect, 64);
}

void playLoadedValues(AEffect* effect, FuzzedDataProvider& input) {
    dispatch(effect, effMainsChanged, 0, 1);
    setHostTempo(input.ConsumeBool(), hostileTempo(input));
    playChord(effect);
    EventList notes(input, 24, 256);
    dispatch(effect, effProcessEvents, 0, 0, notes.list());
    processBlock(effect, input.ConsumeIntegralInRange(0, 256));
    processBlock(effect, input.ConsumeIntegralInRange(0, 256));
}

void readEverythingBack(AEffect* effect) {
    char text[64];
    for (VstInt32 i = 0; i < effect->numParams; ++i) {
        effect->getParameter(effect, i);
        dispatch(effect, effGetParamDisplay, i, 0, text);
    }
    for (VstInt32 p = 0; p < effect->numPrograms; ++p) {
        std::memset(text, 0x55, sizeof text);
        dispatch(effect, effGetProgramNameIndexed, p, 0, text);
        if (text[24] != 0) fail("a program name was not terminated within 25 bytes");
    }
    dispatch(effect, effGetProgramName, 0, 0, text);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    AEffect* effect = openPlugin(input.ConsumeIntegralInRange(0, 3) == 0);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(effect, effSetBlockSize, 0, 256);
    if (input.ConsumeBool()) dispatch(effect, effSetProgram, 0, input.ConsumeIntegralInRange(0, 31));

    const int rounds = input.ConsumeIntegralInRange(1, 3);
    for (int round = 0; round < rounds; ++round) {
        const bool isPreset = input.ConsumeBool();
        const int sizeMode = input.ConsumeIntegralInRange(0, 3);
        VstInt32 declared = 0;
        std::vector<unsigned char> payload;
        switch (sizeMode) {
            case 0:  // what a host does: the real length
                payload = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 10000));
                declared = static_cast<VstInt32>(payload.size());
                break;
            case 1:  // one of the two accepted sizes, so that loading is reached often
                declared = input.ConsumeBool() ? kProgramChunk : kBankChunk;
                payload = input.ConsumeBytes<unsigned char>(declared);
                break;
            default:  // any declared size, negative and huge included
                declared = input.ConsumeIntegral<VstInt32>();
                payload = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 10000));
                break;
        }
        // The host's buffer is as long as the size it declares, when that is a size a host could own.
        size_t bufferBytes = payload.size();
        if (declared >= 0 && declared <= kLargestHonestBuffer && static_cast<size_t>(declared) > bufferBytes)
            bufferBytes = static_cast<size_t>(declared);
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[bufferBytes]());
        if (!payload.empty()) std::memcpy(buffer.get(), payload.data(), payload.size());
        void* pointer = sizeMode == 3 ? nullptr : buffer.get();

        const std::vector<unsigned char> bankBefore = chunkOf(effect, false);
        const VstIntPtr accepted = dispatch(effect, effSetChunk, isPreset ? 1 : 0, declared, pointer);
        const bool shouldAccept =
            pointer && ((isPreset && declared == kProgramChunk) || declared == kBankChunk);
        if (accepted != (shouldAccept ? declared : 0)) fail("setChunk accepted the wrong chunks");
        if (!accepted) {
            if (chunkOf(effect, false) != bankBefore) fail("a rejected chunk changed the bank");
        } else {
            const bool program = accepted == kProgramChunk;
            const std::vector<unsigned char> back = chunkOf(effect, program);
            if (std::memcmp(back.data(), buffer.get(), back.size()) != 0)
                fail("a loaded chunk read back changed");
        }
        playLoadedValues(effect, input);
        readEverythingBack(effect);
    }
    closePlugin(effect);
    return 0;
}
