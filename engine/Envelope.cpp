#include "engine/Envelope.h"

namespace {
constexpr double kShortestAttack = 0.0003;   // squared-time floor: 1.2 ms at any rate
constexpr double kShortestRelease = 0.0008;  // 3.2 ms from full level
}  // namespace

void Envelope::setTimes(float sampleRate, double a2, double d2, double s, double r2) {
    if (a2 < kShortestAttack) a2 = kShortestAttack;
    if (r2 < kShortestRelease) r2 = kShortestRelease;
    const double base = 0.125f / sampleRate;
    attackRate = static_cast<float>(base / a2);
    decayRate = static_cast<float>(base / d2);
    sustainLevel = static_cast<float>(s);
    releaseRate = static_cast<float>(base / r2);
}
