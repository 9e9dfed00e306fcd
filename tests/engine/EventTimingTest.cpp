// Events land at twice their frame offsets; blocks split anywhere give the same samples.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestSupport.h"
#include "numeric/FloatMath.h"

namespace {
size_t firstNonZero(const std::vector<float>& signal) {
    for (size_t i = 0; i < signal.size(); ++i)
        if (signal[i] != 0.0f) return i;
    return signal.size();
}
}  // namespace

TEST(EventTiming, NoteStartsAtTwiceItsFrameOffset) {
    for (int offset : {0, 1, 100, 511}) {
        SynthEngine engine;
        setPlainSine(engine);
        midi(engine, 0x90, 69, 127, offset);
        EXPECT_EQ(firstNonZero(renderFrames(engine, 512)), static_cast<size_t>(2 * offset)) << offset;
    }
}

TEST(EventTiming, EventsOutsideTheBlockOrOutOfOrderNeverWriteOutsideIt) {
    SynthEngine engine;
    setPlainSine(engine);
    const int frames = 64;
    midi(engine, 0x90, 60, 100, 50);
    midi(engine, 0x90, 62, 100, -30);  // before the block: plays at its start... after the 50
    midi(engine, 0x90, 64, 100, 1000);  // beyond it: plays at its end
    midi(engine, 0xE0, 0, 0x60, 70000);
    std::vector<float> scratch(2 * frames + 64, 7.0f), out(2 * frames + 64, 0.0f);
    engine.render(scratch.data(), out.data(), frames);
    for (size_t i = 2 * frames; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
    for (size_t i = 2 * frames; i < scratch.size(); ++i) ASSERT_EQ(scratch[i], 7.0f) << i;
    EXPECT_EQ(engine.eventCount, 0);
    // The late note was started at the block's end, so the next block hears three notes.
    renderFrames(engine, 8);
    int active = 0;
    for (int i = 0; i < SynthEngine::kVoiceCount; ++i) active += engine.voice(i).active;
    EXPECT_EQ(active, 3);
}

TEST(EventTiming, SlicedBlockGivesTheSameSamplesAsOneBlock) {
    auto play = [](SynthEngine& engine) {
        setPlainSine(engine);
        engine.setParameter(param::LVL1, 0.7f);
        engine.setParameter(param::FEB1, 0.4f);
        engine.setParameter(param::S1, 0.6f);
        engine.setParameter(param::D1, 0.3f);
        engine.setParameter(param::PBR, 2.0f / 12.0f);
        midi(engine, 0x90, 60, 90, 3);
        midi(engine, 0xE0, 0x10, 0x50, 200);
        midi(engine, 0xB0, 1, 64, 300);
        midi(engine, 0x90, 67, 50, 700);
        midi(engine, 0x80, 60, 0, 999);
    };
    SynthEngine whole, sliced;
    play(whole);
    play(sliced);
    const std::vector<float> expected = renderFrames(whole, 1000);
    std::vector<float> scratch(2 * 1000), out(2 * 1000, 0.0f);
    const int cuts[] = {0, 128, 200, 333, 700, 701, 1000};
    for (int i = 0; i + 1 < 7; ++i)
        sliced.renderSlice(scratch.data(), out.data() + 2 * cuts[i], cuts[i], cuts[i + 1] - cuts[i], cuts[i + 1] == 1000);
    EXPECT_EQ(out, expected);
}

TEST(EventTiming, PitchBendCentreIsUnityAndRangeFollowsTheParameter) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0xE0, 0x00, 0x40);  // 8192: centre
    renderFrames(engine, 1);
    for (int i = 0; i < SynthEngine::kVoiceCount; ++i) EXPECT_EQ(engine.voice(i).bendRatio, 1.0f);

    engine.setParameter(param::PBR, 0.08f);  // below 1/12: zero semitones
    midi(engine, 0xE0, 0x7F, 0x7F);
    renderFrames(engine, 1);
    EXPECT_EQ(engine.voice(3).bendRatio, 1.0f);

    engine.setParameter(param::PBR, 2.0f / 12.0f);
    EXPECT_EQ(engine.voice(3).bendRatio, 1.0f);  // the range is taken at the next bend
    midi(engine, 0xE0, 0x00, 0x00);              // full down: -1
    renderFrames(engine, 1);
    EXPECT_EQ(engine.voice(3).bendRatio, fastExp2(2 * 0.083333336f * -1.0f));
}

TEST(EventTiming, BendMovesASoundingNoteAndPersistsIntoTheNext) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::PBR, 1.0f);  // twelve semitones
    midi(engine, 0x90, 69, 127);
    midi(engine, 0xE0, 0x7F, 0x7F);
    const std::vector<float> bent = renderFrames(engine, 22050);
    EXPECT_NEAR(measureFrequency(bent, 2 * kTestRate) / 877.5, 1.0, 0.003);
    midi(engine, 0x80, 69, 0);
    midi(engine, 0x90, 57, 127);
    renderFrames(engine, 16);
    EXPECT_NE(engine.voice(1).bendRatio, 1.0f);
}

TEST(EventTiming, ModWheelReachesEveryVoiceAtItsOffset) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0xB0, 1, 127, 10);
    renderFrames(engine, 64);
    for (int i = 0; i < SynthEngine::kVoiceCount; ++i) EXPECT_EQ(engine.voice(i).modWheel, 127 * 0.007874016f);
}

TEST(EventTiming, ZeroFramesExecutesTheQueueWithoutWriting) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, 60, 100, 0);
    float guard = 5.0f;
    engine.render(&guard, &guard, 0);
    EXPECT_EQ(guard, 5.0f);
    EXPECT_TRUE(engine.voice(0).active);
    EXPECT_EQ(engine.eventCount, 0);
}
