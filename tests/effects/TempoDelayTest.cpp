// The delay measured from its output: where echoes land for each speed and tempo, how repeats decay
// and cross between channels, and what sample-rate changes and out-of-range values do.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "effects/TempoDelay.h"

namespace {
constexpr int sixteenthAt120Bpm44100 = 5512;  // 44100 * 0.5 s / 4, truncated

struct Echo {
    int frame;
    float left, right;
};

// Runs an impulse (on the left only, or on both channels) through `frames` frames in blocks of 512
// and lists every non-zero output frame.
std::vector<Echo> impulseEchoes(TempoDelay& delay, int frames, float speed, float level, float feedback,
                                int samplesPerSixteenth, bool leftOnly = false) {
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    left[0] = 1.0f;
    right[0] = leftOnly ? 0.0f : 1.0f;
    for (int start = 0; start < frames; start += 512) {
        const int size = std::min(512, frames - start);
        delay.process(left.data() + start, right.data() + start, size, speed, level, feedback,
                      samplesPerSixteenth);
    }
    std::vector<Echo> echoes;
    for (int n = 0; n < frames; ++n)
        if (left[n] != 0.0f || right[n] != 0.0f) echoes.push_back({n, left[n], right[n]});
    return echoes;
}

// Distance of the first echo after the dry impulse, or -1.
int firstEchoDistance(TempoDelay& delay, int frames, float speed, int samplesPerSixteenth) {
    const std::vector<Echo> echoes = impulseEchoes(delay, frames, speed, 0.5f, 0.0f, samplesPerSixteenth);
    return echoes.size() > 1 ? echoes[1].frame : -1;
}
}  // namespace

TEST(TempoDelay, FiveSixteenthsAt120BpmAnd44100Hz) {
    TempoDelay delay;
    EXPECT_EQ(firstEchoDistance(delay, 30000, 0.5f, sixteenthAt120Bpm44100), 27560);
}

TEST(TempoDelay, SpeedSelectsOneToNineSixteenths) {
    const std::pair<float, int> cases[] = {{0.0f, 1},   {0.1249f, 1}, {0.125f, 2}, {0.25f, 3},
                                           {0.375f, 4}, {0.5f, 5},    {0.625f, 6}, {0.75f, 7},
                                           {0.875f, 8}, {0.999f, 8},  {1.0f, 9}};
    for (const auto& [speed, sixteenths] : cases) {
        TempoDelay delay;
        EXPECT_EQ(firstEchoDistance(delay, 1200, speed, 100), sixteenths * 100) << "speed " << speed;
    }
}

TEST(TempoDelay, WithoutFeedbackThereIsExactlyOneEchoAtLevel) {
    TempoDelay delay;
    const std::vector<Echo> echoes = impulseEchoes(delay, 5000, 0.25f, 0.36f, 0.0f, 300);
    ASSERT_EQ(echoes.size(), 2u);
    EXPECT_EQ(echoes[1].frame, 900);
    EXPECT_EQ(echoes[1].left, 0.36f);
    EXPECT_EQ(echoes[1].right, 0.36f);
}

TEST(TempoDelay, FullFeedbackRepeatsWithoutDecay) {
    TempoDelay delay;
    const std::vector<Echo> echoes = impulseEchoes(delay, 10 * 700 + 1, 0.0f, 0.5f, 1.0f, 700);
    ASSERT_EQ(echoes.size(), 11u);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(echoes[k].frame, k * 700);
        EXPECT_EQ(echoes[k].left, 0.5f);
        EXPECT_EQ(echoes[k].right, 0.5f);
    }
}

// A sound on one side only bounces: each repeat comes out of the other channel, level * feedback^k.
TEST(TempoDelay, FeedbackCrossesBetweenChannels) {
    TempoDelay delay;
    const std::vector<Echo> echoes = impulseEchoes(delay, 4 * 200 + 1, 0.0f, 1.0f, 0.5f, 200, true);
    ASSERT_EQ(echoes.size(), 5u);
    const float expected[][2] = {{1.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 0.5f}, {0.25f, 0.0f}, {0.0f, 0.125f}};
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(echoes[k].frame, k * 200);
        EXPECT_EQ(echoes[k].left, expected[k][0]) << k;
        EXPECT_EQ(echoes[k].right, expected[k][1]) << k;
    }
}

TEST(TempoDelay, IdenticalChannelsStayIdentical) {
    std::vector<float> left(20000);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (float& x : left) x = noise(random);
    std::vector<float> right = left;
    TempoDelay delay;
    delay.process(left.data(), right.data(), 20000, 0.3f, 0.6f, 0.8f, 1234);
    EXPECT_EQ(left, right);
}

TEST(TempoDelay, SplittingABlockChangesNoSample) {
    std::vector<float> left(20000), right(20000);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int n = 0; n < 20000; ++n) left[n] = noise(random), right[n] = noise(random);
    std::vector<float> splitLeft = left, splitRight = right;

    TempoDelay one, other;
    one.process(left.data(), right.data(), 20000, 0.2f, 0.6f, 0.9f, 997);
    int start = 0;
    for (int size : {0, 1, 996, 2, 9000, 10001}) {
        other.process(splitLeft.data() + start, splitRight.data() + start, size, 0.2f, 0.6f, 0.9f, 997);
        start += size;
    }
    ASSERT_EQ(start, 20000);
    EXPECT_EQ(left, splitLeft);
    EXPECT_EQ(right, splitRight);
}

TEST(TempoDelay, SameSampleRateKeepsTheLinesAndTheirContents) {
    TempoDelay delay;
    std::vector<float> left(100, 0.0f), right(100, 0.0f);
    left[0] = right[0] = 1.0f;
    delay.process(left.data(), right.data(), 100, 0.0f, 1.0f, 0.0f, 300);
    delay.setSampleRate(44100.0f);
    EXPECT_EQ(delay.getLength(), 88200);
    std::vector<float> later(300, 0.0f), laterRight(300, 0.0f);
    delay.process(later.data(), laterRight.data(), 300, 0.0f, 1.0f, 0.0f, 300);
    EXPECT_EQ(later[200], 1.0f);  // the impulse 300 frames back
    EXPECT_EQ(laterRight[200], 1.0f);
}

TEST(TempoDelay, NewSampleRateResizesAndClears) {
    const std::pair<float, int> cases[] = {{48000.0f, 96000},  {8000.0f, 16000},    {22050.0f, 44100},
                                           {96000.0f, 192000}, {192000.0f, 384000}, {384000.0f, 768000}};
    for (const auto& [rate, length] : cases) {
        TempoDelay delay;
        // Run close to the end of the long lines so that shrinking them would strand writeIndex.
        std::vector<float> left(88000, 1.0f), right(88000, 1.0f);
        delay.process(left.data(), right.data(), 88000, 0.0f, 1.0f, 0.5f, 100);
        delay.setSampleRate(rate);
        EXPECT_EQ(delay.getLength(), length) << rate;
        EXPECT_GE(delay.getWriteIndex(), 0);
        EXPECT_LT(delay.getWriteIndex(), length);
        std::vector<float> silentLeft(1000, 0.0f), silentRight(1000, 0.0f);
        delay.process(silentLeft.data(), silentRight.data(), 1000, 0.0f, 1.0f, 0.5f, 100);
        for (int n = 0; n < 1000; ++n) ASSERT_TRUE(silentLeft[n] == 0.0f && silentRight[n] == 0.0f) << rate;
    }
}

// An echo longer than the lines is held to the longest they give, never to zero distance; a speed
// below range still echoes one sample later.
TEST(TempoDelay, OversizeAndUndersizeDelaysStayInsideTheLines) {
    const struct {
        float speed;
        int samplesPerSixteenth;
        int distance;
    } cases[] = {
        {0.0f, 88199, 88199},  // the longest the lines hold, as requested
        {0.0f, 88200, 88199},  // a whole line would read the sample just written
        {0.0f, 100000, 88199},
        {1.0f, std::numeric_limits<int>::max(), 88199},  // 9 * samplesPerSixteenth beyond int32
        {-0.2f, 500, 1},                                 // zero sixteenths
        {-1.0f, 500, 1},                                 // negative sixteenths
        {std::numeric_limits<float>::quiet_NaN(), 500, 1},
        {0.0f, -7, 1},
    };
    for (const auto& c : cases) {
        TempoDelay delay;
        EXPECT_EQ(firstEchoDistance(delay, 90000, c.speed, c.samplesPerSixteenth), c.distance)
            << c.speed << " x " << c.samplesPerSixteenth;
    }
}

// Every output bit as frame after frame gives it, for echoes shorter than a few frames (a host that
// gives no tempo counts one sample per sixteenth), ordinary ones, and the longest the lines hold,
// over blocks of any length and several times round the lines.
TEST(TempoDelay, MatchesTheFrameByFrameLoop) {
    struct {
        int samplesPerSixteenth, sixteenths;
    } cases[] = {{1, 1},   {1, 2},    {1, 3},    {1, 4},     {1, 5},     {1, 9},    {2, 2},
                 {997, 3}, {5000, 4}, {9000, 9}, {29000, 3}, {88199, 1}, {20000, 5}};
    for (const auto& c : cases) {
        const float speed = (static_cast<float>(c.sixteenths) - 0.5f) / 8.0f;
        TempoDelay delay, plain;
        std::mt19937 random(c.samplesPerSixteenth + c.sixteenths);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        for (int done = 0; done < 400000;) {
            const int frames = static_cast<int>(random() % 1500);
            std::vector<float> left(frames), right(frames);
            for (int n = 0; n < frames; ++n) left[n] = noise(random), right[n] = noise(random);
            std::vector<float> expectedLeft = left, expectedRight = right;
            plain.processReference(expectedLeft.data(), expectedRight.data(), frames, speed, 0.6f, 0.7f,
                                   c.samplesPerSixteenth);
            delay.process(left.data(), right.data(), frames, speed, 0.6f, 0.7f, c.samplesPerSixteenth);
            for (int n = 0; n < frames; ++n) {
                ASSERT_EQ(left[n], expectedLeft[n])
                    << c.samplesPerSixteenth << " x " << c.sixteenths << ", frame " << done + n;
                ASSERT_EQ(right[n], expectedRight[n])
                    << c.samplesPerSixteenth << " x " << c.sixteenths << ", frame " << done + n;
            }
            done += frames;
        }
    }
}

// Rates no hardware runs at must neither crash nor claim gigabytes: lines stay within
// minLength..maxLength and keep working.
TEST(TempoDelay, AbsurdSampleRatesAreBounded) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int> cases[] = {
        {0.0f, TempoDelay::minLength},      {-44100.0f, TempoDelay::minLength},
        {0.3f, TempoDelay::minLength},      {std::numeric_limits<float>::quiet_NaN(), TempoDelay::minLength},
        {-inf, TempoDelay::minLength},      {inf, TempoDelay::maxLength},
        {1e30f, TempoDelay::maxLength},     {1e7f, TempoDelay::maxLength},
        {768000.0f, TempoDelay::maxLength}, {1.5f, 3}};
    for (const auto& [rate, length] : cases) {
        TempoDelay delay;
        delay.setSampleRate(rate);
        EXPECT_EQ(delay.getLength(), length) << rate;
        const int frames = std::min(length + 10, 5000);
        const int distance = firstEchoDistance(delay, frames, 0.0f, 3);
        EXPECT_EQ(distance, std::min(3, length - 1)) << rate;
    }
}
