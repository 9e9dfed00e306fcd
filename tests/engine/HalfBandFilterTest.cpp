// The oversampling low-pass measured with sines: passband flatness, the -3 dB point at the host's
// Nyquist frequency and the stopband, plus DC, silence and block-splitting behaviour.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/HalfBandFilter.h"

namespace {
constexpr double twoPi = 6.283185307179586;
constexpr int settleSamples = 8192;  // slowest pole radius sqrt(0.952): start-up gone by > 170 dB
constexpr int measureSamples = 16384;

std::vector<float> sine(double cyclesPerSample, int count) {
    std::vector<float> signal(count);
    for (int n = 0; n < count; ++n)
        signal[n] = static_cast<float>(std::sin(twoPi * cyclesPerSample * n + 0.5));
    return signal;
}

// Least-squares fit of a cos + b sin at the given frequency over signal[from..]; returns hypot(a, b).
double amplitudeAt(const std::vector<float>& signal, int from, double cyclesPerSample) {
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (int n = from; n < static_cast<int>(signal.size()); ++n) {
        const double c = std::cos(twoPi * cyclesPerSample * n), s = std::sin(twoPi * cyclesPerSample * n);
        cc += c * c, ss += s * s, cs += c * s, yc += signal[n] * c, ys += signal[n] * s;
    }
    const double det = cc * ss - cs * cs;
    if (det < 1e-6 * cc * cc) return std::fabs(yc / cc);  // at Nyquist the sine basis vanishes
    return std::hypot((yc * ss - ys * cs) / det, (ys * cc - yc * cs) / det);
}

double gainDb(double cyclesPerSample) {
    const std::vector<float> input = sine(cyclesPerSample, settleSamples + measureSamples);
    std::vector<float> output = input;
    HalfBandFilter filter;
    filter.process(output.data(), static_cast<int>(output.size()));
    return 20.0 * std::log10(amplitudeAt(output, settleSamples, cyclesPerSample) /
                             amplitudeAt(input, settleSamples, cyclesPerSample));
}

bool isSubnormal(double x) {
    return std::fpclassify(x) == FP_SUBNORMAL;
}
}  // namespace

TEST(HalfBandFilter, PassbandIsFlatWithinAHundredthOfADecibelUpToPoint24) {
    for (double f = 0.002; f <= 0.24 + 1e-9; f += 0.002) EXPECT_NEAR(gainDb(f), 0.0, 0.01) << "at " << f;
}

TEST(HalfBandFilter, IsThreeDecibelsDownAtAQuarterOfTheRate) {
    EXPECT_NEAR(gainDb(0.25), -3.0103, 0.005);
}

TEST(HalfBandFilter, StopbandIsAtLeast98Point5DecibelsDownFromPoint28ToNyquist) {
    for (double f = 0.28; f <= 0.5 + 1e-9; f += 0.002) EXPECT_LE(gainDb(f), -98.5) << "at " << f;
}

// The filter's own DC gain is 1; the renderer doubles after dropping every second sample.
TEST(HalfBandFilter, ConstantInputSettlesToItself) {
    for (float c : {1.0f, 0.3f, -0.7f, 1e-3f}) {
        HalfBandFilter filter;
        std::vector<float> buffer(4096, c);
        filter.process(buffer.data(), static_cast<int>(buffer.size()));
        for (int n = 2048; n < 4096; ++n) ASSERT_FLOAT_EQ(buffer[n], c) << "c " << c << " at " << n;
    }
}

TEST(HalfBandFilter, SilenceAfterABurstNeverGoesDenormal) {
    HalfBandFilter filter;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> burst(1000);
    for (float& x : burst) x = noise(random);
    filter.process(burst.data(), static_cast<int>(burst.size()));

    // Without the offset the state would be subnormal after roughly 30000 samples of silence.
    std::vector<float> silence(4096);
    for (int block = 0; block < 100; ++block) {
        std::fill(silence.begin(), silence.end(), 0.0f);
        filter.process(silence.data(), static_cast<int>(silence.size()));
        for (float y : silence) ASSERT_FALSE(isSubnormal(y)) << "block " << block;
    }
    for (const AllpassCascade* branch : {&filter.getBranchA(), &filter.getBranchB()}) {
        for (int i = 0; i < branch->size(); ++i) {
            const AllpassStage& stage = branch->stage(i);
            for (double v : {stage.x1, stage.x2, stage.y1, stage.y2}) EXPECT_FALSE(isSubnormal(v)) << i;
        }
    }
    EXPECT_FALSE(isSubnormal(filter.getPreviousB()));
    EXPECT_LT(std::fabs(silence.back()), 1e-20f);  // and the burst has died away
}

TEST(HalfBandFilter, SplittingABlockChangesNoSample) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> whole(5000);
    for (float& x : whole) x = noise(random);
    std::vector<float> split = whole;

    HalfBandFilter one, other;
    one.process(whole.data(), static_cast<int>(whole.size()));
    int start = 0;
    for (int size : {0, 1, 2, 7, 1000, 1, 3989}) {
        other.process(split.data() + start, size);
        start += size;
    }
    ASSERT_EQ(start, 5000);
    EXPECT_EQ(whole, split);
}
