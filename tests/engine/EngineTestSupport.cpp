#include "EngineTestSupport.h"

#include <algorithm>
#include <cmath>

void setPlainSine(SynthEngine& engine) {
    engine.setSampleRate(kTestRate);
    for (int i = 0; i < param::Count; ++i) engine.setParameter(i, 0.0f);
    for (int op = 0; op < 4; ++op) engine.setParameter(param::operatorBase(op) + param::FIN, 0.5f);
    engine.setParameter(param::LVLm, 1.0f);
    engine.setParameter(param::OCTm, 1.0f / 6.0f);
    engine.setParameter(param::Sm, 1.0f);
}

void midi(SynthEngine& engine, int status, int data1, int data2, int deltaFrames) {
    engine.processMidi(static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2),
                       deltaFrames);
}

std::vector<float> renderFrames(SynthEngine& engine, int frames) {
    std::vector<float> scratch(2 * frames), out(2 * frames, 0.0f);
    engine.render(scratch.data(), out.data(), frames);
    return out;
}

double measureFrequency(const std::vector<float>& signal, double sampleRate) {
    long first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] <= 0.0f && signal[i] > 0.0f) {
            if (first < 0) first = static_cast<long>(i);
            last = static_cast<long>(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * sampleRate / static_cast<double>(last - first);
}

float peakOf(const std::vector<float>& signal, size_t from, size_t to) {
    float peak = 0.0f;
    for (size_t i = from; i < std::min(to, signal.size()); ++i) peak = std::max(peak, std::fabs(signal[i]));
    return peak;
}
