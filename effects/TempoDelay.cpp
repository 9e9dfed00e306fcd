#include "effects/TempoDelay.h"

#include <xmmintrin.h>

#include <algorithm>
#include <new>

#include "numeric/FloatMath.h"

namespace {
constexpr float initialSampleRate = 44100.0f;
constexpr float lineSeconds = 2.0f;
constexpr float sixteenthsPerSpeed = 8.0f;  // speed 0..1 spans 1..9 sixteenth notes
constexpr int32_t kFramesAtOnce = 4;

int32_t lineLengthFor(float rate) {
    const float samples = rate * lineSeconds;
    if (!(samples >= static_cast<float>(TempoDelay::minLength))) return TempoDelay::minLength;  // also NaN
    if (samples >= static_cast<float>(TempoDelay::maxLength)) return TempoDelay::maxLength;
    return truncToInt(samples);
}

// A block's working copy of the lines and positions: stores to the caller's buffers could otherwise
// alias the members, and every sample would wait for them to go through memory.
struct Run {
    float* delayedLeft;
    float* delayedRight;
    int32_t size, delay, write, read;

    // One frame: the echo read, the input and the crossed feedback written, the echo added.
    void frame(float* left, float* right, int i, float level, float feedback) {
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
};
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

// At distance 0 or length the read would return the sample just written. In-range speeds stay
// inside 1..length-1 unless the tempo is so slow that the echo outgrows the lines.
int32_t TempoDelay::echoDistance(float speed, int samplesPerSixteenth) const {
    const int32_t sixteenths = truncToInt(speed * sixteenthsPerSpeed + 1.0f);
    const int64_t requested = static_cast<int64_t>(sixteenths) * samplesPerSixteenth;
    return static_cast<int32_t>(std::clamp<int64_t>(requested, 1, length - 1));
}

void TempoDelay::processReference(float* left, float* right, int frames, float speed, float level,
                                  float feedback, int samplesPerSixteenth) {
    if (frames <= 0 || !lineLeft) return;
    Run run{lineLeft.get(), lineRight.get(), length, echoDistance(speed, samplesPerSixteenth), writeIndex,
            readIndex};
    for (int i = 0; i < frames; ++i) run.frame(left, right, i, level, feedback);
    writeIndex = run.write;
    readIndex = run.read;
}

void TempoDelay::process(float* left, float* right, int frames, float speed, float level, float feedback,
                         int samplesPerSixteenth) {
    if (frames <= 0 || !lineLeft) return;
    const int32_t delay = echoDistance(speed, samplesPerSixteenth);
    Run run{lineLeft.get(), lineRight.get(), length, delay, writeIndex, readIndex};
    float* delayedLeft = run.delayedLeft;
    float* delayedRight = run.delayedRight;
    const int32_t size = length;
    int32_t& write = run.write;
    int32_t& read = run.read;
    int i = 0;
    // Four frames at a time where their reads and writes run on without wrapping. The four echoes
    // then come from before the four writes (the distance is at least four, both ways round the
    // line), so reading them first and writing after is the frame-by-frame order.
    if (delay >= kFramesAtOnce && delay <= size - kFramesAtOnce) {
        const __m128 feedbacks = _mm_set1_ps(feedback), levels = _mm_set1_ps(level);
        while (i + kFramesAtOnce <= frames) {
            read = write - delay;
            if (read < 0) read += size;
            if (read > size - kFramesAtOnce || write > size - kFramesAtOnce) {
                run.frame(left, right, i++, level, feedback);
                continue;
            }
            const __m128 echoLeft = _mm_loadu_ps(delayedLeft + read),
                         echoRight = _mm_loadu_ps(delayedRight + read);
            const __m128 dryLeft = _mm_loadu_ps(left + i), dryRight = _mm_loadu_ps(right + i);
            _mm_storeu_ps(delayedLeft + write, _mm_add_ps(dryLeft, _mm_mul_ps(echoRight, feedbacks)));
            _mm_storeu_ps(delayedRight + write, _mm_add_ps(dryRight, _mm_mul_ps(echoLeft, feedbacks)));
            _mm_storeu_ps(left + i, _mm_add_ps(dryLeft, _mm_mul_ps(echoLeft, levels)));
            _mm_storeu_ps(right + i, _mm_add_ps(dryRight, _mm_mul_ps(echoRight, levels)));
            read += kFramesAtOnce - 1;
            write += kFramesAtOnce;
            if (write >= size) write -= size;
            i += kFramesAtOnce;
        }
    }
    for (; i < frames; ++i) run.frame(left, right, i, level, feedback);
    writeIndex = write;
    readIndex = read;
}
