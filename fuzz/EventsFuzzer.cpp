// Event lists of any shape delivered through effProcessEvents, each followed by a block of any
// length from 0 to the block size (now and then longer), under a host tempo that may be absurd.
// The block size and sample rate come from the input too, so event offsets land inside, at the
// edge of and far outside the block.
#include "engine/ParameterIndex.h"
#include "fuzz/FuzzHost.h"

namespace {
using namespace fuzzhost;
constexpr int kBlockSizes[] = {1, 2, 3, 64, 256, 1024, kMaxFrames};
constexpr float kSampleRates[] = {44100.0f, 48000.0f, 96000.0f, 8000.0f, 1.0f, 768000.0f};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    AEffect* effect = openPlugin(input.ConsumeIntegralInRange(0, 3) == 0);
    const int blockSize = input.PickValueInArray(kBlockSizes);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, input.PickValueInArray(kSampleRates));
    dispatch(effect, effSetBlockSize, 0, blockSize);
    dispatch(effect, effMainsChanged, 0, 1);
    // Effects on, so that the delay and chorus see whatever the voices make of the events.
    if (input.ConsumeBool()) {
        effect->setParameter(effect, param::C_LVL, 1.0f);
        effect->setParameter(effect, param::D_LVL, 1.0f);
        effect->setParameter(effect, param::AAA, 1.0f);
        effect->setParameter(effect, param::PBR, input.ConsumeProbability<float>());
    }
    setHostTempo(input.ConsumeBool(), hostileTempo(input));

    int blocks = 0;
    while (input.remaining_bytes() > 0 && blocks++ < 64) {
        EventList events(input, 300, blockSize);
        dispatch(effect, effProcessEvents, 0, 0,
                 input.ConsumeIntegralInRange(0, 15) ? events.list() : nullptr);
        int frames = input.ConsumeIntegralInRange(0, blockSize);
        if (input.ConsumeIntegralInRange(0, 15) == 0) frames = input.ConsumeIntegralInRange(-3, kMaxFrames);
        processBlock(effect, frames);
    }
    closePlugin(effect);
    return 0;
}
