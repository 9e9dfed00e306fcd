// Cost of the engine and of the whole audio call at full polyphony, and when idle.
// Counters: realtime factor, voice_samples/s (one voice rendering one oversampled sample) and its
// inverse in nanoseconds. Reference variants run the plain per-sample voice loop for comparison.
#include <benchmark/benchmark.h>

#include <vector>

#include "FullLoad.h"
#include "plugin/Calyx2Plugin.h"

namespace {
VstIntPtr VSTCALLBACK benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = 120.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}

void reportRealtime(benchmark::State& state, int framesPerIteration, int voices) {
    const double frames = static_cast<double>(state.iterations()) * framesPerIteration;
    state.counters["realtime"] = benchmark::Counter(frames / kBenchRate, benchmark::Counter::kIsRate);
    state.counters["voice_samples"] =
        benchmark::Counter(frames * 2 * voices, benchmark::Counter::kIsRate);
    if (voices > 0)  // seconds per voice-sample, printed with an SI prefix (ns)
        state.counters["per_voice_sample"] = benchmark::Counter(
            frames * 2 * voices, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The engine alone, through the given voice path and instruction set.
void renderFullPolyphony(benchmark::State& state, SynthEngine::VoicePath path, LaneRenderer::InstructionSet set) {
    if (!LaneRenderer::supports(set)) {
        state.SkipWithError("the processor lacks this instruction set");
        return;
    }
    SynthEngine engine;
    engine.setVoicePath(path);
    engine.laneRenderer().use(set);
    setFullLoadPatch(engine.params);
    engine.setSampleRate(kBenchRate);
    startFullPolyphony(engine);
    std::vector<float> scratch(2 * kBenchBlock), out(2 * kBenchBlock);
    long block = 0;
    for (auto _ : state) {
        keepFullPolyphony(engine, block++);
        engine.render(scratch.data(), out.data(), kBenchBlock);
        benchmark::DoNotOptimize(out.data());
    }
    reportRealtime(state, kBenchBlock, SynthEngine::kVoiceCount);
}

void EngineFullPolyphony(benchmark::State& state) {
    SynthEngine engine;
    renderFullPolyphony(state, SynthEngine::VoicePath::Lanes, engine.laneRenderer().instructionSet());
}
BENCHMARK(EngineFullPolyphony);

void EngineFullPolyphonySse2(benchmark::State& state) {
    renderFullPolyphony(state, SynthEngine::VoicePath::Lanes, LaneRenderer::InstructionSet::Sse2);
}
BENCHMARK(EngineFullPolyphonySse2);

// The plain per-sample voice loop (Voice::renderReference) that the lanes must match.
void EngineFullPolyphonyReference(benchmark::State& state) {
    renderFullPolyphony(state, SynthEngine::VoicePath::Reference, LaneRenderer::InstructionSet::Sse2);
}
BENCHMARK(EngineFullPolyphonyReference);

struct RunningPlugin {
    Calyx2Plugin plugin{benchHost};
    std::vector<float> left = std::vector<float>(kBenchBlock), right = std::vector<float>(kBenchBlock);
    RunningPlugin() {
        plugin.setSampleRate(kBenchRate);
        plugin.setBlockSize(kBenchBlock);
        plugin.resume();
    }
    void process() {
        float* outputs[] = {left.data(), right.data()};
        plugin.processReplacing(nullptr, outputs, kBenchBlock);
    }
};

void playFullLoad(benchmark::State& state, SynthEngine::VoicePath path) {
    RunningPlugin running;
    running.plugin.getEngine().setVoicePath(path);
    float patch[param::Count];
    setFullLoadPatch(patch);
    for (int i = 0; i < param::Count; ++i) running.plugin.setParameter(i, patch[i]);
    startFullPolyphony(running.plugin.getEngine());
    long block = 0;
    for (auto _ : state) {
        keepFullPolyphony(running.plugin.getEngine(), block++);
        running.process();
        benchmark::DoNotOptimize(running.left.data());
    }
    reportRealtime(state, kBenchBlock, SynthEngine::kVoiceCount);
}

void PluginFullLoad(benchmark::State& state) { playFullLoad(state, SynthEngine::VoicePath::Lanes); }
BENCHMARK(PluginFullLoad);

void PluginFullLoadReference(benchmark::State& state) { playFullLoad(state, SynthEngine::VoicePath::Reference); }
BENCHMARK(PluginFullLoadReference);

void PluginIdle(benchmark::State& state) {
    RunningPlugin running;
    running.plugin.setParameter(param::C_LVL, 0.0f);
    running.plugin.setParameter(param::D_LVL, 0.0f);
    for (auto _ : state) {
        running.process();
        benchmark::DoNotOptimize(running.left.data());
    }
    reportRealtime(state, kBenchBlock, 0);
}
BENCHMARK(PluginIdle);
}  // namespace
