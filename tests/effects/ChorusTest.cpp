// The chorus measured from its output: echo distances, the sweep of each tap (read off a ramp, which
// the Hermite interpolation reproduces exactly), the quadrature between channels and robustness.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effects/Chorus.h"

namespace {
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(int frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    int frames() const { return static_cast<int>(left.size()); }
};

Stereo impulse(int frames) {
    Stereo s(frames);
    s.left[0] = s.right[0] = 1.0f;
    return s;
}

Stereo ramp(int frames) {
    Stereo s(frames);
    for (int n = 0; n < frames; ++n) s.left[n] = s.right[n] = static_cast<float>(n);
    return s;
}

Stereo noise(int frames, unsigned seed) {
    Stereo s(frames);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (int n = 0; n < frames; ++n) s.left[n] = s.right[n] = uniform(random);
    return s;
}

// With a ramp n in and level 1, out = n + (n - tapDelay), so the tap's distance behind the newest
// sample is 2n - out.
double tapDelay(const std::vector<float>& out, int n) {
    return 2.0 * n - out[n];
}

void expectSingleEcho(const std::vector<float>& out, int distance) {
    for (int n = 0; n < static_cast<int>(out.size()); ++n) {
        const float expected = (n == 0 || n == distance) ? 1.0f : 0.0f;
        ASSERT_EQ(out[n], expected) << "at " << n;
    }
}

// Fits centre + a cos + b sin of the phase at frame `first + k` to values[k], over whole periods,
// where the three basis functions are orthogonal.
struct SineFit {
    double centre = 0, a = 0, b = 0;
};
SineFit fitSine(const std::vector<double>& values, int first, double cyclesPerSample) {
    SineFit fit;
    const double n = static_cast<double>(values.size());
    for (size_t k = 0; k < values.size(); ++k) {
        const double phase = 6.283185307179586 * cyclesPerSample * static_cast<double>(first + k);
        fit.centre += values[k] / n;
        fit.a += 2.0 * values[k] * std::cos(phase) / n;
        fit.b += 2.0 * values[k] * std::sin(phase) / n;
    }
    return fit;
}
}  // namespace

TEST(Chorus, ImpulseReturnsUnchangedAfterTheBaseDistance) {
    Chorus chorus;
    Stereo s = impulse(4096);
    chorus.process(s.left.data(), s.right.data(), s.frames(), 0.4f, 1.0f, 0.0f);
    expectSingleEcho(s.left, 1792);  // 2048 - 256 at 44100 Hz; once only: the lines hold no feedback
    expectSingleEcho(s.right, 1792);
}

TEST(Chorus, BaseDistanceFollowsTheSampleRate) {
    const struct {
        float rate;
        int readBase;
    } cases[] = {{44100.0f, 256}, {48000.0f, 278}, {96000.0f, 557}, {192000.0f, 1114}};
    for (const auto& c : cases) {
        Chorus chorus;
        chorus.setSampleRate(c.rate);
        EXPECT_EQ(chorus.getReadBase(), c.readBase) << c.rate;
    }

    Chorus chorus;
    chorus.setSampleRate(48000.0f);
    Stereo s = impulse(4096);
    chorus.process(s.left.data(), s.right.data(), s.frames(), 0.4f, 1.0f, 0.0f);
    expectSingleEcho(s.left, 2048 - 278);
    expectSingleEcho(s.right, 2048 - 278);
}

// The base distance is measured from wherever writing stands, so a rate set after the chorus has run
// (hosts also repeat an unchanged rate before each run) puts the taps where a fresh chorus has them.
TEST(Chorus, RateChangeMovesOnlyTheReadBase) {
    Chorus chorus;
    Stereo before = noise(1000, 3);
    chorus.process(before.left.data(), before.right.data(), before.frames(), 0.4f, 1.0f, 0.0f);
    const int written = chorus.getWriteIndex();
    chorus.setSampleRate(48000.0f);
    EXPECT_EQ(chorus.getReadBase(), 278);
    EXPECT_EQ(chorus.getWriteIndex(), written);
}

// Depth 1 at 44100 Hz, rate 0.5: a 5 Hz sweep from 1024 to 1536 samples back (centre 1280, swing
// 256); the left tap follows -cos and the right tap -sin of the same phase, a quarter period later.
TEST(Chorus, TapsSweepInQuadratureAtTenTimesTheRate) {
    constexpr int period = 8820;  // 44100 / 5
    constexpr int from = 2048;    // lines full of ramp
    Chorus chorus;
    Stereo s = ramp(from + 2 * period);
    chorus.process(s.left.data(), s.right.data(), s.frames(), 0.5f, 1.0f, 1.0f);

    std::vector<double> left, right;
    for (int n = from; n < s.frames(); ++n)
        left.push_back(tapDelay(s.left, n)), right.push_back(tapDelay(s.right, n));
    const SineFit l0 = fitSine(left, from, 1.0 / period), r0 = fitSine(right, from, 1.0 / period);
    EXPECT_NEAR(l0.centre, 1280.0, 0.5);
    EXPECT_NEAR(r0.centre, 1280.0, 0.5);
    EXPECT_NEAR(l0.a, -256.0, 1.0);
    EXPECT_NEAR(l0.b, 0.0, 1.0);
    EXPECT_NEAR(r0.a, 0.0, 1.0);
    EXPECT_NEAR(r0.b, -256.0, 1.0);
}

TEST(Chorus, IdenticalChannelsComeOutDifferent) {
    Chorus chorus;
    Stereo s = noise(6000, 5);
    chorus.process(s.left.data(), s.right.data(), s.frames(), 0.3f, 0.7f, 0.5f);
    for (int n = 0; n < 1000; ++n) ASSERT_EQ(s.left[n], s.right[n]) << "taps still read the empty lines";
    int differing = 0;
    for (int n = 2048; n < s.frames(); ++n) differing += s.left[n] != s.right[n];
    EXPECT_EQ(differing, s.frames() - 2048);
}

TEST(Chorus, RateZeroHoldsTheTapsWhereTheOscillatorStopped) {
    Chorus chorus;
    Stereo s = ramp(3000 + 6000);
    chorus.process(s.left.data(), s.right.data(), 3000, 0.5f, 1.0f, 1.0f);
    chorus.process(s.left.data() + 3000, s.right.data() + 3000, 6000, 0.0f, 1.0f, 1.0f);
    const double heldLeft = tapDelay(s.left, 3000), heldRight = tapDelay(s.right, 3000);
    EXPECT_GT(std::fabs(heldLeft - 1024.0), 50.0) << "the oscillator had moved before it was held";
    for (int n = 3000; n < s.frames(); ++n) {
        ASSERT_NEAR(tapDelay(s.left, n), heldLeft, 0.01) << n;
        ASSERT_NEAR(tapDelay(s.right, n), heldRight, 0.01) << n;
    }
}

TEST(Chorus, SplittingABlockChangesNoSample) {
    Stereo whole = noise(6000, 9), split = whole;
    Chorus one, other;
    one.process(whole.left.data(), whole.right.data(), whole.frames(), 0.4f, 0.8f, 0.6f);
    int start = 0;
    for (int size : {0, 1, 2, 7, 2047, 1, 3942}) {
        other.process(split.left.data() + start, split.right.data() + start, size, 0.4f, 0.8f, 0.6f);
        start += size;
    }
    ASSERT_EQ(start, 6000);
    EXPECT_EQ(whole.left, split.left);
    EXPECT_EQ(whole.right, split.right);
}

TEST(Chorus, NoFramesLeavesEverythingAlone) {
    Chorus chorus;
    chorus.process(nullptr, nullptr, 0, 0.5f, 1.0f, 1.0f);
    chorus.process(nullptr, nullptr, -5, 0.5f, 1.0f, 1.0f);
    EXPECT_EQ(chorus.getWriteIndex(), 0);
    EXPECT_EQ(chorus.getReadBase(), 256);
}

// Out-of-range parameters give whatever sound they give for that block, but read inside the lines
// and leave no lasting damage: the next sane block is finite.
TEST(Chorus, NonFiniteAndHugeParametersDoNoLastingHarm) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float bad[] = {nan, inf, -inf, 1e9f, -1e9f, 3e38f};
    for (float value : bad) {
        for (int which = 0; which < 4; ++which) {
            Chorus chorus;
            if (which == 3) chorus.setSampleRate(value);
            Stereo s = noise(3000, 13);
            chorus.process(s.left.data(), s.right.data(), s.frames(), which == 0 ? value : 0.5f,
                           which == 1 ? value : 0.5f, which == 2 ? value : 0.5f);
            if (which == 3) chorus.setSampleRate(44100.0f);
            Stereo after = noise(3000, 17);
            chorus.process(after.left.data(), after.right.data(), after.frames(), 0.5f, 0.5f, 0.5f);
            for (int n = 0; n < after.frames(); ++n) {
                ASSERT_TRUE(std::isfinite(after.left[n]) && std::isfinite(after.right[n]))
                    << "value " << value << " as parameter " << which << " at " << n;
            }
        }
    }
}

namespace {
uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
}  // namespace

// Every output bit must be what the plain loop gives: taps anywhere in the lines (depths far outside
// 0..1 included, where a frame's taps reach the next frame's sample), blocks of any length, and a
// sample-rate change on the way.
TEST(Chorus, MatchesThePlainLoopBitForBit) {
    Chorus chorus, plain;
    std::mt19937 random(23);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), signal(-1.0f, 1.0f);
    for (int block = 0; block < 80; ++block) {
        if (block == 40) {
            chorus.setSampleRate(48000.0f);
            plain.setSampleRate(48000.0f);
        }
        const int frames = static_cast<int>(random() % 700);
        const float rate = unit(random), level = unit(random);
        const float depth = block % 4 == 0 ? unit(random) * 16.0f - 8.0f : unit(random);
        std::vector<float> left(frames), right(frames);
        for (int n = 0; n < frames; ++n) left[n] = signal(random), right[n] = signal(random);
        std::vector<float> plainLeft = left, plainRight = right;
        chorus.process(left.data(), right.data(), frames, rate, level, depth);
        plain.processReference(plainLeft.data(), plainRight.data(), frames, rate, level, depth);
        for (int n = 0; n < frames; ++n) {
            ASSERT_EQ(bitsOf(left[n]), bitsOf(plainLeft[n])) << "block " << block << " frame " << n;
            ASSERT_EQ(bitsOf(right[n]), bitsOf(plainRight[n])) << "block " << block << " frame " << n;
        }
    }
}

// At depth -0.5 the taps pass over the sample being written as the oscillator crosses zero (the
// right one at once, the left a quarter period later): windows that start 0 to 3 samples before
// the second frame of a pair, and just outside them, all come up.
TEST(Chorus, TapsCrossingTheWritePositionMatchThePlainLoop) {
    Chorus chorus, plain;
    std::mt19937 random(29);
    std::uniform_real_distribution<float> signal(-1.0f, 1.0f);
    for (int done = 0; done < 12000;) {
        const int frames = 1 + static_cast<int>(random() % 300);
        std::vector<float> left(frames), right(frames);
        for (int n = 0; n < frames; ++n) left[n] = signal(random), right[n] = signal(random);
        std::vector<float> plainLeft = left, plainRight = right;
        chorus.process(left.data(), right.data(), frames, 0.2f, 1.0f, -0.5f);
        plain.processReference(plainLeft.data(), plainRight.data(), frames, 0.2f, 1.0f, -0.5f);
        for (int n = 0; n < frames; ++n) {
            ASSERT_EQ(bitsOf(left[n]), bitsOf(plainLeft[n])) << "frame " << done + n;
            ASSERT_EQ(bitsOf(right[n]), bitsOf(plainRight[n])) << "frame " << done + n;
        }
        done += frames;
    }
}
