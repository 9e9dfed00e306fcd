#include "effects/TempoDelay.h"

#include <algorithm>
#include <new>

#include "engine/FloatMath.h"

namespace {
constexpr float initialSampleRate = 44100.0f;
constexpr float lineSeconds = 2.0f;
constexpr float sixteenthsPerSpeed = 8.0f;  // speed 0..1 spans 1..9 sixteenth notes

int32_t lineLengthFor(float rate) {
    const float samples = rate * lineSeconds;
    if (!(samples >= static_cast<float>(TempoDelay::minLength))) return TempoDelay::minLength;  // also NaN
    if (samples >= static_cast<float>(TempoDelay::maxLength)) return TempoDelay::maxLength;
    return truncToInt(samples);
}
}  // namespace

TempoDelay::TempoDelay() : sampleRate(initialSampleRate) {
    allocateLines(lineLengthFor(initialSampleRate));
}

bool TempoDelay::allocateLines(int32_t newLength) {
    std::unique_ptr<float[]> newLeft(new (std::nothrow) float[newLength]());
    std::unique_ptr<float[]> newRight(new (std::nothrow) float[newLength]());
    if (!newLeft || !newRight) return false;
    lineLeft = std::move(newLeft);
    lineRight = std::move(newRight);
    length = newLength;
    // Empty lines make the starting point immaterial; restarting keeps it inside shorter lines.
    writeIndex = length - 1;
    readIndex = 0;
    return true;
}

void TempoDelay::setSampleRate(float rate) {
    if (rate == sampleRate && lineLeft) return;
    if (allocateLines(lineLengthFor(rate))) sampleRate = rate;
}

void TempoDelay::process(float* left, float* right, int frames, float speed, float level, float feedback,
                         int samplesPerSixteenth) {
    if (frames <= 0 || !lineLeft) return;
    const int32_t sixteenths = truncToInt(speed * sixteenthsPerSpeed + 1.0f);
    const int64_t requested = static_cast<int64_t>(sixteenths) * samplesPerSixteenth;
    // At distance 0 or length the read would return the sample just written. In-range speeds stay
    // inside 1..length-1 unless the tempo is so slow that the echo outgrows the lines.
    const auto delay = static_cast<int32_t>(std::clamp<int64_t>(requested, 1, length - 1));

    // The loop works on copies of the state: stores to the caller's buffers could otherwise alias
    // the members, and every sample would wait for them to go through memory.
    float* delayedLeft = lineLeft.get();
    float* delayedRight = lineRight.get();
    const int32_t size = length;
    int32_t write = writeIndex, read = readIndex;
    for (int i = 0; i < frames; ++i) {
        read = write - delay;
        if (read < 0) read += size;
        if (read >= size) read -= size;
        const float echoLeft = delayedLeft[read], echoRight = delayedRight[read];
        delayedLeft[write] = left[i] + echoRight * feedback;
        delayedRight[write] = right[i] + echoLeft * feedback;
        left[i] += echoLeft * level;
        right[i] += echoRight * level;
        write += 1;
        if (write >= size) write -= size;
    }
    writeIndex = write;
    readIndex = read;
}
