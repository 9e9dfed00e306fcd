// Stereo echo, added in place on top of the two output channels as the last stage of a block. The
// echo time is a whole number of sixteenth notes (1 to 9) of the host's tempo; the feedback crosses
// between the channels, so what comes out of the right line is fed into the left and vice versa.
// Each line holds two seconds at the current sample rate. Sample arithmetic is float32.
#pragma once

#include <cstdint>
#include <memory>

class TempoDelay {
  public:
    // Line bounds, reached only by absurd sample rates (below 1 Hz or above 768 kHz): at least two
    // samples so an echo always has a distance, and no more than a few megabytes.
    static constexpr int32_t minLength = 2;
    static constexpr int32_t maxLength = 1536000;

    TempoDelay();
    // Resizes and clears the lines when the rate differs from the one they were sized for. Allocates;
    // call it only while not processing. If memory runs out the old lines stay in use.
    void setSampleRate(float rate);
    // Adds the echoes into the first frames samples of left and right. speed 0..1 selects 1 to 9
    // sixteenth notes; level: gain of the echo; feedback: gain of each repeat into the other line.
    // An echo longer than the lines is shortened to the longest they hold (length - 1 samples).
    void process(float* left, float* right, int frames, float speed, float level, float feedback,
                 int samplesPerSixteenth);
    // The same, one frame after the other: the plain loop that process must match bit for bit,
    // kept beside it for the tests and the benchmarks.
    void processReference(float* left, float* right, int frames, float speed, float level, float feedback,
                          int samplesPerSixteenth);

    int32_t getLength() const { return length; }
    int32_t getWriteIndex() const { return writeIndex; }
    float getSampleRate() const { return sampleRate; }

  private:
    bool allocateLines(int32_t newLength);
    int32_t echoDistance(float speed, int samplesPerSixteenth) const;

    std::unique_ptr<float[]> lineLeft;
    std::unique_ptr<float[]> lineRight;
    float sampleRate;
    int32_t writeIndex = 0;
    int32_t readIndex = 0;
    int32_t length = 0;
};
