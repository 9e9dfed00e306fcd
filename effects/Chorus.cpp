#include "effects/Chorus.h"

#include <cmath>

#include "engine/FloatMath.h"

namespace {
constexpr float initialSampleRate = 44100.0f;
constexpr float readBasePerHertz = 0.0058049886f;  // 256 samples at 44100 Hz
constexpr float sweepSamples = 512.0f;             // tap movement per unit of depth * (1 + oscillator)
constexpr float lfoHertzPerRate = 10.0f;
constexpr double lfoPi = 3.1415926538;  // as the oscillator has always been tuned, not full-precision pi

int32_t baseDistanceFor(float rate) {
    return truncToInt(rate * readBasePerHertz) & Chorus::lineMask;
}

// Hermite interpolation at sweep * sweepSamples past the read base.
inline float tapAt(const float* line, int32_t readBase, float sweep) {
    const float position = sweep * sweepSamples;
    const int32_t whole = truncToInt(position);
    const float fraction = position - static_cast<float>(whole);
    // Unsigned so that an absurd sweep wraps instead of overflowing; the AND gives the same index.
    const uint32_t h = static_cast<uint32_t>(whole) + static_cast<uint32_t>(readBase);
    const float ym1 = line[(h - 1u) & Chorus::lineMask];
    const float y0 = line[h & Chorus::lineMask];
    const float y1 = line[(h + 1u) & Chorus::lineMask];
    const float y2 = line[(h + 2u) & Chorus::lineMask];
    const float c1 = 0.5f * (y1 - ym1);
    const float c3 = 0.5f * (y2 - ym1) + 1.5f * (y0 - y1);
    const float c2 = ym1 - y0 + c1 - c3;
    return ((c3 * fraction + c2) * fraction + c1) * fraction + y0;
}
}  // namespace

Chorus::Chorus()
    : lineLeft(lineLength, 0.0f),
      lineRight(lineLength, 0.0f),
      sampleRate(initialSampleRate),
      readBase(baseDistanceFor(initialSampleRate)) {}

void Chorus::setSampleRate(float rate) {
    sampleRate = rate;
    // Only the base moves: the tap distance becomes the new base minus wherever writing stands.
    // Stored chunks and renders made so far rely on this placement, so it is kept as it always was.
    readBase = baseDistanceFor(rate) & lineMask;
}

void Chorus::process(float* left, float* right, int frames, float rate, float level, float depth) {
    if (frames <= 0) return;
    const double w = static_cast<double>(rate * lfoHertzPerRate) * lfoPi / static_cast<double>(sampleRate);
    lfoStep = 2.0f * static_cast<float>(std::sin(w));
    // A non-finite rate or sample rate would leave the oscillator NaN for good: hold it instead.
    if (std::isnan(lfoStep)) lfoStep = 0.0f;

    // The loop works on copies of the state: stores to the caller's buffers could otherwise alias
    // the members, and every sample would wait for them to go through memory.
    const float* delayedLeft = lineLeft.data();
    const float* delayedRight = lineRight.data();
    const float step = lfoStep;
    float x = lfoX, y = lfoY, sweepLeft = modLeft, sweepRight = modRight;
    int32_t write = writeIndex, base = readBase;
    for (int i = 0; i < frames; ++i) {
        x = x - step * y;
        y = y + step * x;
        sweepRight = (y + 1.0f) * depth;
        sweepLeft = (x + 1.0f) * depth;

        lineLeft[write] = left[i];
        lineRight[write] = right[i];
        write = (write + 1) & lineMask;

        left[i] = left[i] + tapAt(delayedLeft, base, sweepLeft) * level;
        right[i] = right[i] + tapAt(delayedRight, base, sweepRight) * level;
        base = (base + 1) & lineMask;
    }
    lfoX = x;
    lfoY = y;
    modLeft = sweepLeft;
    modRight = sweepRight;
    writeIndex = write;
    readBase = base;
}
