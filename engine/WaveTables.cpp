#include "engine/WaveTables.h"

#include <cmath>

namespace {
// Two pi as the tables have always been built; not pi to full precision.
constexpr double kTwoPi = 6.2831853076;
constexpr double kTableStep = 0.000244140625;  // 1 / 4096
constexpr double kLowestNoteHz = 8.175798915636872;
constexpr double kSemitone = 1.059463094359;
}  // namespace

WaveTables::WaveTables() {
    for (int i = 0; i < kWaveTableSize; ++i) sine[i] = static_cast<float>(std::sin(i * kTableStep * kTwoPi));

    for (float& entry : harmonic) entry = 0.0f;
    for (int j = 0; j <= 6; j += 2) {
        const float amplitude = static_cast<float>(1.0 / (2 * j + 1));
        const double step = 1.0 / (4096.0 / (j + 1));
        for (int k = 0; k < kWaveTableSize; ++k)
            harmonic[k] += static_cast<float>(std::sin(k * step * kTwoPi)) * amplitude;
    }
    float peak = 0.0f;
    for (float entry : harmonic)
        if (std::fabs(entry) > peak) peak = std::fabs(entry);
    const float normalise = 1.0f / peak;
    for (float& entry : harmonic) entry *= normalise;

    double frequency = kLowestNoteHz;
    for (float& entry : noteFrequency) {
        entry = static_cast<float>(frequency);
        frequency = frequency * kSemitone;
    }
}
