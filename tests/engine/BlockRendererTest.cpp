// The output chain's effect settings as they reach the effects: a short burst through the delay
// stage of renderBlock, whose repeats must fall by the feedback knob squared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "EngineTestSupport.h"
#include "effects/Chorus.h"
#include "effects/TempoDelay.h"
#include "engine/BlockRenderer.h"
#include "engine/HalfBandFilter.h"

namespace {
constexpr int kSixteenth = 200;  // the echo distance at speed 0, longer than the burst
constexpr int kFrames = 5 * kSixteenth;

// A burst well under kSixteenth frames (note on, off 10 frames later) through the whole chain with
// the delay at full level, its feedback knob at `feedback`, and the chorus and filter off.
std::vector<float> burstThroughDelay(float feedback) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::D_LVL, 1.0f);
    engine.setParameter(param::D_SPD, 0.0f);
    engine.setParameter(param::D_FB, feedback);
    HalfBandFilter filter;
    Chorus chorus;
    TempoDelay delay;
    OutputChain chain{engine, filter, chorus, delay};
    midi(engine, 0x90, 81, 127, 0);
    midi(engine, 0x80, 81, 0, 10);
    std::vector<float> scratch(2 * kFrames), mix(2 * kFrames), left(kFrames), right(kFrames);
    renderBlock(chain, scratch.data(), mix.data(), left.data(), right.data(), 0, kFrames, true, kSixteenth);
    EXPECT_EQ(left, right);
    return left;
}
}  // namespace

class DelayFeedback : public testing::TestWithParam<float> {};

// Level 1 passes the first echo unchanged, so each later one is exactly the one before times the
// gain the line applies: the knob squared.
TEST_P(DelayFeedback, EchoesFallByTheKnobSquared) {
    const float knob = GetParam();
    const std::vector<float> out = burstThroughDelay(knob);
    for (int n = kSixteenth / 2; n < kSixteenth; ++n) ASSERT_EQ(out[n], 0.0f) << "the burst outlasts an echo";
    float loudest = 0.0f;
    for (int n = 0; n < kSixteenth; ++n) {
        ASSERT_EQ(out[kSixteenth + n], out[n]) << "first echo, frame " << n;
        loudest = std::max(loudest, std::fabs(out[n]));
        for (int k = 2; k < kFrames / kSixteenth; ++k)
            ASSERT_EQ(out[k * kSixteenth + n], out[(k - 1) * kSixteenth + n] * (knob * knob))
                << "echo " << k << ", frame " << n;
    }
    EXPECT_GT(loudest, 0.1f);
}

INSTANTIATE_TEST_SUITE_P(Knob, DelayFeedback, testing::Values(0.0f, 0.5f, 0.8f, 1.0f));
