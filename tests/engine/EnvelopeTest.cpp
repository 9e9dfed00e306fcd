#include <gtest/gtest.h>

#include "engine/Envelope.h"

namespace {
// Steps until the envelope leaves `state`; returns the number of steps taken.
int stepsIn(Envelope& e, EnvelopeState state, int limit = 10000000) {
    int steps = 0;
    while (e.state == state && steps < limit) {
        e.next();
        ++steps;
    }
    return steps;
}
}  // namespace

TEST(Envelope, ShortestAttackIsOnePointTwoMilliseconds) {
    Envelope e;
    e.setTimes(44100.0f, 0.0, 0.25, 0.5, 0.25);
    e.start();
    // 0.0003 * 8 * 44100 = 105.84 steps at the doubled rate: the 106th reaches 1.0.
    EXPECT_EQ(stepsIn(e, Attack), 106);
    EXPECT_EQ(e.level, 1.0f);
}

TEST(Envelope, ShortestReleaseIsThreePointTwoMillisecondsFromFullLevel) {
    Envelope e;
    e.setTimes(44100.0f, 0.0, 0.0, 1.0, 0.0);
    e.start();
    stepsIn(e, Attack);
    e.next();
    ASSERT_EQ(e.state, Sustain);
    e.state = Release;
    const int steps = stepsIn(e, Release);
    EXPECT_NEAR(steps, 0.0008 * 8 * 44100, 1.0);  // 282.24
    EXPECT_EQ(e.level, 0.0f);
}

TEST(Envelope, FirstAttackStepAndTheStepReachingATargetReturnExactValues) {
    Envelope e;
    e.setTimes(48000.0f, 0.25, 0.0, 0.3, 0.25);
    e.start();
    EXPECT_EQ(e.next(), e.attackRate);
    while (e.state == Attack) e.next();
    EXPECT_EQ(e.level, 1.0f);
    EXPECT_EQ(e.next(), 0.3f);  // D = 0: the decay ends on its first step, exactly at the sustain level
    EXPECT_EQ(e.state, Sustain);
}

// A segment whose level lands exactly on its target ends on that step, not one later.
TEST(Envelope, SegmentsLandingExactlyOnTheirTargetEndOnThatStep) {
    Envelope e;
    e.attackRate = e.decayRate = e.releaseRate = 0.25f;
    e.sustainLevel = 0.5f;
    e.start();
    EXPECT_EQ(stepsIn(e, Attack), 4);
    EXPECT_EQ(e.level, 1.0f);
    EXPECT_EQ(stepsIn(e, Decay), 2);
    EXPECT_EQ(e.state, Sustain);
    e.state = Release;
    EXPECT_EQ(stepsIn(e, Release), 2);
    EXPECT_EQ(e.state, Idle);
}

TEST(Envelope, SustainZeroHoldsAtZeroWithoutEnding) {
    Envelope e;
    e.setTimes(44100.0f, 0.0, 0.01, 0.0, 0.0);
    e.start();
    for (int i = 0; i < 100000; ++i) e.next();
    EXPECT_EQ(e.state, Sustain);
    EXPECT_EQ(e.level, 0.0f);
}

TEST(Envelope, ReleaseDuringAttackFallsFromTheCurrentLevel) {
    Envelope e;
    e.setTimes(44100.0f, 1.0, 0.5, 0.5, 0.5);  // 4 s attack, 1 s release per unit level
    e.start();
    for (int i = 0; i < 1000; ++i) e.next();
    const float reached = e.level;
    e.state = Release;
    const float after = e.next();
    EXPECT_FLOAT_EQ(after, reached - e.releaseRate);
    EXPECT_NEAR(stepsIn(e, Release), reached / e.releaseRate, 2.0);
}

TEST(Envelope, NewTimesApplyToASoundingEnvelopeAtOnce) {
    Envelope e;
    e.setTimes(44100.0f, 0.0, 0.0, 0.8, 0.0);
    e.start();
    for (int i = 0; i < 300; ++i) e.next();
    ASSERT_EQ(e.state, Sustain);
    e.setTimes(44100.0f, 0.0, 0.0, 0.2, 0.0);
    EXPECT_EQ(e.next(), 0.2f);  // sustain follows the parameter every step
}

TEST(Envelope, ApplyToBlockScalesByLevelThenGain) {
    Envelope e;
    e.setTimes(44100.0f, 0.0, 0.0, 1.0, 0.0);
    e.start();
    float buffer[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    e.applyToBlock(buffer, 4, 0.5f);
    EXPECT_EQ(buffer[0], e.attackRate * 0.5f);
    EXPECT_EQ(buffer[3], (4 * e.attackRate) * 0.5f);
}
