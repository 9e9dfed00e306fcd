// Cost of the chorus and the delay on a block of noise, each through its fast loop and through
// the plain reference loop it must match.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "FullLoad.h"
#include "effects/Chorus.h"
#include "effects/TempoDelay.h"

namespace {
constexpr int kSixteenthAt120Bpm = 5512;

struct NoiseBlock {
    std::vector<float> left = std::vector<float>(kBenchBlock), right = std::vector<float>(kBenchBlock);
    NoiseBlock() {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        for (int i = 0; i < kBenchBlock; ++i) left[i] = noise(random), right[i] = noise(random);
    }
};

// The effects add into the block in place, so the same noise is fed again at every iteration.
template <class Process>
void timeOnNoise(benchmark::State& state, Process process) {
    const NoiseBlock input;
    NoiseBlock block;
    for (auto _ : state) {
        block = input;
        process(block.left.data(), block.right.data());
        benchmark::DoNotOptimize(block.left.data());
    }
    const double frames = static_cast<double>(state.iterations()) * kBenchBlock;
    state.counters["realtime"] = benchmark::Counter(frames / kBenchRate, benchmark::Counter::kIsRate);
}

template <bool Reference>
void ChorusBlock(benchmark::State& state) {
    Chorus chorus;
    chorus.setSampleRate(kBenchRate);
    timeOnNoise(state, [&](float* left, float* right) {
        if (Reference)
            chorus.processReference(left, right, kBenchBlock, 0.4f, 0.8f, 0.6f);
        else
            chorus.process(left, right, kBenchBlock, 0.4f, 0.8f, 0.6f);
    });
}
BENCHMARK_TEMPLATE(ChorusBlock, false)->Name("Chorus");
BENCHMARK_TEMPLATE(ChorusBlock, true)->Name("ChorusReference");

template <bool Reference>
void DelayBlock(benchmark::State& state) {
    TempoDelay delay;
    delay.setSampleRate(kBenchRate);
    timeOnNoise(state, [&](float* left, float* right) {
        if (Reference)
            delay.processReference(left, right, kBenchBlock, 0.25f, 0.6f, 0.7f, kSixteenthAt120Bpm);
        else
            delay.process(left, right, kBenchBlock, 0.25f, 0.6f, 0.7f, kSixteenthAt120Bpm);
    });
}
BENCHMARK_TEMPLATE(DelayBlock, false)->Name("TempoDelay");
BENCHMARK_TEMPLATE(DelayBlock, true)->Name("TempoDelayReference");
}  // namespace
