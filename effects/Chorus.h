// Stereo chorus, added in place on top of the two output channels. Each channel is mixed with a
// copy of itself read from its own 2048-sample circular line; a quadrature sine oscillator sweeps
// the read position, cosine for the left tap and sine for the right, so two identical inputs come
// out different. Taps are interpolated with a four-point third-order Hermite polynomial.
//
// Distances: with depth 0 both taps sit (2048 - base) samples behind the newest sample, where
// base = trunc(sample rate * 256 / 44100), i.e. 1792 samples at 44100 Hz; depth d moves each tap
// 512 * d * (1 + oscillator) samples closer, the oscillator staying within about -0.5..0.5.
// Sample arithmetic is float32; the oscillator coefficient is computed in double once per call.
#pragma once

#include <cstdint>
#include <vector>

class Chorus {
  public:
    static constexpr int32_t lineLength = 2048;  // a power of two: every wrap is an AND with lineMask
    static constexpr int32_t lineMask = lineLength - 1;
    // Each line keeps copies of its first samples after its end, so that the four samples around
    // any tap position lie side by side in memory.
    static constexpr int32_t lineGuard = 3;

    Chorus();
    // Moves both taps to the new rate's base distance behind the newest sample; the lines and the
    // oscillator carry on.
    void setSampleRate(float rate);
    // Adds the taps into the first frames samples of left and right. rate: the oscillator runs at
    // 10 * rate Hz; level: gain of the taps (the dry signal stays at unity); depth: sweep width.
    void process(float* left, float* right, int frames, float rate, float level, float depth);
    // The same, one frame after the other and one float operation at a time: the plain loop that
    // process must match bit for bit, kept beside it for the tests and the benchmarks.
    void processReference(float* left, float* right, int frames, float rate, float level, float depth);

    int32_t getReadBase() const { return readBase; }
    int32_t getWriteIndex() const { return writeIndex; }

  private:
    // The state a block works on, copied out of the members and back (see process).
    struct Run {
        float* delayedLeft;
        float* delayedRight;
        float step, x, y, sweepLeft, sweepRight;
        int32_t write, base;
    };
    Run startRun(float rate);
    void finishRun(const Run& run);

    std::vector<float> lineLeft;
    std::vector<float> lineRight;
    float lfoStep = 0.0f;
    float modLeft = 0.0f;
    float modRight = 0.0f;
    float lfoX = 0.5f;  // follows 0.5 cos of the oscillator phase: drives the left tap
    float lfoY = 0.0f;  // follows 0.5 sin: drives the right tap, a quarter period later
    float sampleRate = 44100.0f;
    int32_t writeIndex = 0;
    int32_t readBase = 0;  // 0..lineMask; (readBase - writeIndex) & lineMask is the base distance
};
