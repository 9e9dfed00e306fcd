// A fixed amount of full-load work for instruction-count profiling, where the benchmark's
// time-driven iteration counts would make the totals vary:
//   valgrind --tool=callgrind ./calyx2_blocks plugin 100 [warm-up blocks]
// renders 100 blocks of 512 frames of the full-load patch through the plug-in object ("engine":
// the engine alone; "idle": the plug-in with no voice sounding and both effects off). Under
// callgrind the counts start after the warm-up blocks (default 0); 100 of them take the notes past
// their attacks and decays into the sustain that the benchmark mostly measures.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#endif

#include "FullLoad.h"
#include "plugin/Calyx2Plugin.h"

namespace {
VstIntPtr VSTCALLBACK blocksHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = 120.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "plugin";
    const int blocks = argc > 2 ? std::atoi(argv[2]) : 100;
    const int warmUp = argc > 3 ? std::atoi(argv[3]) : 0;
    std::vector<float> left(kBenchBlock), right(kBenchBlock);
    float checksum = 0.0f;
    if (std::strcmp(mode, "engine") == 0) {
        SynthEngine engine;
        setFullLoadPatch(engine.params);
        engine.setSampleRate(kBenchRate);
        startFullPolyphony(engine);
        std::vector<float> scratch(2 * kBenchBlock), out(2 * kBenchBlock);
        long block = 0;
        for (int b = 0; b < warmUp; ++b) {
            keepFullPolyphony(engine, block++);
            engine.render(scratch.data(), out.data(), kBenchBlock);
        }
        CALLGRIND_ZERO_STATS;
        for (int b = 0; b < blocks; ++b) {
            keepFullPolyphony(engine, block++);
            engine.render(scratch.data(), out.data(), kBenchBlock);
            checksum += out[b % (2 * kBenchBlock)];
        }
    } else {
        Calyx2Plugin plugin(blocksHost);
        plugin.setSampleRate(kBenchRate);
        plugin.setBlockSize(kBenchBlock);
        plugin.resume();
        if (std::strcmp(mode, "idle") == 0) {
            plugin.setParameter(param::C_LVL, 0.0f);
            plugin.setParameter(param::D_LVL, 0.0f);
        } else {
            float patch[param::Count];
            setFullLoadPatch(patch);
            for (int i = 0; i < param::Count; ++i) plugin.setParameter(i, patch[i]);
            startFullPolyphony(plugin.getEngine());
        }
        float* outputs[] = {left.data(), right.data()};
        const bool playing = std::strcmp(mode, "idle") != 0;
        long block = 0;
        for (int b = 0; b < warmUp; ++b) {
            if (playing) keepFullPolyphony(plugin.getEngine(), block++);
            plugin.processReplacing(nullptr, outputs, kBenchBlock);
        }
        CALLGRIND_ZERO_STATS;
        for (int b = 0; b < blocks; ++b) {
            if (playing) keepFullPolyphony(plugin.getEngine(), block++);
            plugin.processReplacing(nullptr, outputs, kBenchBlock);
            checksum += left[b % kBenchBlock];
        }
    }
    std::printf("%s: %d blocks of %d frames, checksum %.9g\n", mode, blocks, kBenchBlock, checksum);
    return 0;
}
