#include "effects/Chorus.h"

#include <emmintrin.h>

#include <cmath>

#include "numeric/FloatMath.h"

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

// The first of the four samples around each of four tap positions (as tapAt finds them): the left
// and right taps of two frames, the second frame one sample further on. They are finished in
// general registers, as is the check against the write position: the vector unit is what bounds
// the paired loop, and the positions leave it anyway to address the lines.
struct TapStarts {
    uint32_t left, right, secondLeft, secondRight;
};
inline TapStarts tapStarts(int32_t readBase, __m128i whole) {
    const uint32_t base = static_cast<uint32_t>(readBase) - 1u;
    const uint32_t mask = Chorus::lineMask;
    return {(static_cast<uint32_t>(_mm_cvtsi128_si32(whole)) + base) & mask,
            (static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 1))) + base) & mask,
            (static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 2))) + base + 1u) & mask,
            (static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 3))) + base + 1u) & mask};
}

// tapAt for those four taps, lane by lane the same float operations. Each tap's four samples are
// adjacent in its line thanks to the copies kept past its end.
inline __m128 fourTapsAt(const float* left, const float* right, const TapStarts& first, __m128 position,
                         __m128i whole) {
    const __m128 fraction = _mm_sub_ps(position, _mm_cvtepi32_ps(whole));
    __m128 ym1 = _mm_loadu_ps(left + first.left);
    __m128 y0 = _mm_loadu_ps(right + first.right);
    __m128 y1 = _mm_loadu_ps(left + first.secondLeft);
    __m128 y2 = _mm_loadu_ps(right + first.secondRight);
    _MM_TRANSPOSE4_PS(ym1, y0, y1, y2);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 c1 = _mm_mul_ps(half, _mm_sub_ps(y1, ym1));
    const __m128 c3 =
        _mm_add_ps(_mm_mul_ps(half, _mm_sub_ps(y2, ym1)), _mm_mul_ps(_mm_set1_ps(1.5f), _mm_sub_ps(y0, y1)));
    const __m128 c2 = _mm_sub_ps(_mm_add_ps(_mm_sub_ps(ym1, y0), c1), c3);
    const __m128 cubic = _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(c3, fraction), c2), fraction), c1);
    return _mm_add_ps(_mm_mul_ps(cubic, fraction), y0);
}

inline void writeLine(float* line, int32_t index, float value) {
    line[index] = value;
    if (index < Chorus::lineGuard) line[Chorus::lineLength + index] = value;
}

// Frames [first, frames) one after the other: the plain loop, and the end of the fast one.
template <class Run>
void plainFrames(Run& r, float* left, float* right, int first, int frames, float level, float depth) {
    for (int i = first; i < frames; ++i) {
        r.x = r.x - r.step * r.y;
        r.y = r.y + r.step * r.x;
        r.sweepRight = (r.y + 1.0f) * depth;
        r.sweepLeft = (r.x + 1.0f) * depth;
        writeLine(r.delayedLeft, r.write, left[i]);
        writeLine(r.delayedRight, r.write, right[i]);
        r.write = (r.write + 1) & Chorus::lineMask;
        left[i] = left[i] + tapAt(r.delayedLeft, r.base, r.sweepLeft) * level;
        right[i] = right[i] + tapAt(r.delayedRight, r.base, r.sweepRight) * level;
        r.base = (r.base + 1) & Chorus::lineMask;
    }
}
}  // namespace

Chorus::Chorus()
    : lineLeft(lineLength + lineGuard, 0.0f),
      lineRight(lineLength + lineGuard, 0.0f),
      sampleRate(initialSampleRate),
      readBase(baseDistanceFor(initialSampleRate)) {}

void Chorus::setSampleRate(float rate) {
    sampleRate = rate;
    // Only the base moves: the tap distance becomes the new base minus wherever writing stands.
    // Stored chunks and renders made so far rely on this placement, so it is kept as it always was.
    readBase = baseDistanceFor(rate) & lineMask;
}

Chorus::Run Chorus::startRun(float rate) {
    const double w = static_cast<double>(rate * lfoHertzPerRate) * lfoPi / static_cast<double>(sampleRate);
    lfoStep = 2.0f * static_cast<float>(std::sin(w));
    // A non-finite rate or sample rate would leave the oscillator NaN for good: hold it instead.
    if (std::isnan(lfoStep)) lfoStep = 0.0f;
    return {lineLeft.data(), lineRight.data(), lfoStep, lfoX, lfoY, modLeft, modRight, writeIndex, readBase};
}

void Chorus::finishRun(const Run& run) {
    lfoX = run.x;
    lfoY = run.y;
    modLeft = run.sweepLeft;
    modRight = run.sweepRight;
    writeIndex = run.write;
    readBase = run.base;
}

void Chorus::processReference(float* left, float* right, int frames, float rate, float level, float depth) {
    if (frames <= 0) return;
    Run run = startRun(rate);
    plainFrames(run, left, right, 0, frames, level, depth);
    finishRun(run);
}

void Chorus::process(float* left, float* right, int frames, float rate, float level, float depth) {
    if (frames <= 0) return;
    // The loop works on copies of the state: stores to the caller's buffers could otherwise alias
    // the members, and every sample would wait for them to go through memory.
    Run run = startRun(rate);
    float* delayedLeft = run.delayedLeft;
    float* delayedRight = run.delayedRight;
    const float step = run.step;
    int32_t write = run.write, base = run.base;
    // Two frames at a time: both are written, then their four taps read together. That is the
    // order of one frame after the other unless the first frame's taps reach the sample the second
    // writes, which only a depth far outside 0..1 can make them do; from such a pair on, the block
    // goes one frame after the other. The oscillator is stepped in scalar registers of its own: its
    // chain from frame to frame is what bounds this loop.
    int i = 0;
    __m128 ox = _mm_set_ss(run.x), oy = _mm_set_ss(run.y);
    const __m128 steps = _mm_set_ss(step), one = _mm_set1_ps(1.0f), depths = _mm_set1_ps(depth);
    const __m128 levels = _mm_set1_ps(level);
    __m128 lastSweeps = _mm_setr_ps(0.0f, 0.0f, run.sweepLeft, run.sweepRight);
    for (; i + 2 <= frames; i += 2) {
        const __m128 x1 = _mm_sub_ss(ox, _mm_mul_ss(steps, oy));
        const __m128 y1 = _mm_add_ss(oy, _mm_mul_ss(steps, x1));
        const __m128 x2 = _mm_sub_ss(x1, _mm_mul_ss(steps, y1));
        const __m128 y2 = _mm_add_ss(y1, _mm_mul_ss(steps, x2));
        const __m128 sweeps = _mm_mul_ps(
            _mm_add_ps(_mm_movelh_ps(_mm_unpacklo_ps(x1, y1), _mm_unpacklo_ps(x2, y2)), one), depths);
        const __m128 position = _mm_mul_ps(sweeps, _mm_set1_ps(sweepSamples));
        const __m128i whole = _mm_cvttps_epi32(position);  // as truncToInt
        const TapStarts first = tapStarts(base, whole);
        // A tap window of the first frame starting within three samples before the second frame's
        // write position, or on it, covers that position.
        const uint32_t secondWriteAt = static_cast<uint32_t>(write) + 1u;
        if (((secondWriteAt - first.left) & lineMask) < 4u || ((secondWriteAt - first.right) & lineMask) < 4u)
            break;
        const int32_t secondWrite = (write + 1) & lineMask;
        writeLine(delayedLeft, write, left[i]);
        writeLine(delayedRight, write, right[i]);
        writeLine(delayedLeft, secondWrite, left[i + 1]);
        writeLine(delayedRight, secondWrite, right[i + 1]);
        const __m128 dryLeft = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(left + i)));
        const __m128 dryRight = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(right + i)));
        const __m128 wet = _mm_mul_ps(fourTapsAt(delayedLeft, delayedRight, first, position, whole), levels);
        const __m128 out = _mm_add_ps(_mm_unpacklo_ps(dryLeft, dryRight), wet);
        _mm_storel_pi(reinterpret_cast<__m64*>(left + i), _mm_shuffle_ps(out, out, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storel_pi(reinterpret_cast<__m64*>(right + i), _mm_shuffle_ps(out, out, _MM_SHUFFLE(3, 1, 3, 1)));
        ox = x2, oy = y2;
        lastSweeps = sweeps;
        write = (write + 2) & lineMask;
        base = (base + 2) & lineMask;
    }
    run.x = _mm_cvtss_f32(ox), run.y = _mm_cvtss_f32(oy);
    run.sweepLeft = _mm_cvtss_f32(_mm_shuffle_ps(lastSweeps, lastSweeps, 2));
    run.sweepRight = _mm_cvtss_f32(_mm_shuffle_ps(lastSweeps, lastSweeps, 3));
    run.write = write;
    run.base = base;
    plainFrames(run, left, right, i, frames, level, depth);
    finishRun(run);
}
