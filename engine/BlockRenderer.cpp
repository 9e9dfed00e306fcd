#include "engine/BlockRenderer.h"

#include <algorithm>

#include "numeric/FloatMath.h"

namespace {
constexpr float kFilterOnThreshold = 0.5f;
constexpr float kEffectOnThreshold = 0.001f;
constexpr float kDecimationGain = 2.0f;
}  // namespace

int samplesPerSixteenthAt(const double* tempo, float sampleRate) {
    if (!tempo) return 1;
    const float secondsPerBeat = static_cast<float>(60.0 / *tempo);
    const float samples = secondsPerBeat * sampleRate * 0.25f;
    if (!(samples >= 1.0f)) return 1;  // also NaN
    if (samples >= static_cast<float>(kLongestSixteenth)) return kLongestSixteenth;
    return truncToInt(samples);
}

void decimate(const float* mix, float* left, int frames) {
    for (int k = 0; k < frames; ++k) left[k] = kDecimationGain * mix[2 * k + 1];
}

void renderBlock(OutputChain& chain, float* scratch, float* mix, float* left, float* right, int firstFrame,
                 int frames, bool lastStretch, int samplesPerSixteenth) {
    const int oversampled = 2 * frames;
    std::fill(mix, mix + oversampled, 0.0f);
    chain.engine.renderSlice(scratch, mix, firstFrame, frames, lastStretch);

    const float* params = chain.engine.params;
    if (params[param::AAA] > kFilterOnThreshold) chain.filter.process(mix, oversampled);

    decimate(mix, left, frames);
    std::copy(left, left + frames, right);

    const float chorusLevel = params[param::C_LVL];
    if (chorusLevel > kEffectOnThreshold) {
        const float rate = params[param::C_SPD];
        const float depth = params[param::C_DPH];
        chain.chorus.process(left, right, frames, rate * rate, chorusLevel, depth * depth);
    }
    const float delayLevel = params[param::D_LVL];
    if (delayLevel > kEffectOnThreshold) {
        const float speed = params[param::D_SPD];
        const float feedback = params[param::D_FB];
        chain.delay.process(left, right, frames, speed, delayLevel * delayLevel, feedback * feedback,
                            samplesPerSixteenth);
    }
}
