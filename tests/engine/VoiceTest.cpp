// Rendered behaviour of a voice: pitch, waveform, operators switching off, routes.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestSupport.h"

namespace {
constexpr int kMidiA4 = 69;
}

TEST(Voice, A440HasIncrement326AndPlaysSlightlyFlat) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, kMidiA4, 127);
    const std::vector<float> out = renderFrames(engine, 44100);
    EXPECT_EQ(engine.voice(0).phaseInc[Voice::kOperatorM], 326);
    // 326 * 2 * 44100 / 65536 = 438.74 Hz
    EXPECT_NEAR(measureFrequency(out, 2 * kTestRate), 438.74, 0.05);
}

TEST(Voice, OctaveSettingsSpanOneBelowToFiveAbove) {
    const struct {
        float oct;
        double expectedHz;
    } cases[] = {{0.0f, 110.0}, {1.0f / 6.0f, 220.0}, {3.0f / 6.0f, 880.0}, {1.0f, 7040.0}};
    for (const auto& c : cases) {
        SynthEngine engine;
        setPlainSine(engine);
        engine.setParameter(param::OCTm, c.oct);
        midi(engine, 0x90, kMidiA4 - 12, 127);
        const std::vector<float> out = renderFrames(engine, 22050);
        // Truncated increments play up to 1% flat at the lowest of these.
        EXPECT_NEAR(measureFrequency(out, 2 * kTestRate) / c.expectedHz, 1.0, 0.012) << "OCTm " << c.oct;
    }
}

TEST(Voice, LowNotesSoundFlatFromTruncatedIncrements) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::OCTm, 0.0f);
    midi(engine, 0x90, 24, 127);  // engine note 12 at octave 0: 16.35 Hz nominal
    renderFrames(engine, 16);
    EXPECT_EQ(engine.voice(0).phaseInc[Voice::kOperatorM], 12);
}

TEST(Voice, FineTuneAndVelocityShapeOperatorOne) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::FIN1, 1.0f);  // one octave up
    engine.setParameter(param::OCT1, 1.0f / 6.0f);
    midi(engine, 0x90, kMidiA4, 127);
    renderFrames(engine, 1);
    EXPECT_EQ(engine.voice(0).phaseInc[0], 653);  // trunc(32767 / (44100 / 880))
}

TEST(Voice, OperatorRoutedToOutputAddsItsWaveformAtHalfScale) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::LVLm, 1.0f);
    engine.setParameter(param::LVL1, 1.0f);
    engine.setParameter(param::OCT1, 1.0f / 6.0f);
    engine.setParameter(param::S1, 1.0f);
    engine.setParameter(param::RTE1, 1.0f);  // to the output
    midi(engine, 0x90, kMidiA4, 127);
    const std::vector<float> out = renderFrames(engine, 4410);
    // operator m (peak 1) plus operator 1 at 0.5: in phase, peak about 1.5
    EXPECT_NEAR(peakOf(out, 2000), 1.5f, 0.01f);
}

TEST(Voice, LevelAtThresholdSwitchesTheOperatorOff) {
    auto render = [](float level1) {
        SynthEngine engine;
        setPlainSine(engine);
        engine.setParameter(param::LVL1, level1);
        engine.setParameter(param::S1, 1.0f);
        engine.setParameter(param::RTE1, 1.0f);
        engine.setParameter(param::LVLm, 1.0f);
        midi(engine, 0x90, kMidiA4, 127);
        std::vector<float> out = renderFrames(engine, 512);
        return std::make_pair(out, engine.voice(0).env[1].state);
    };
    const auto off = render(0.001f);
    const auto on = render(0.0011f);
    EXPECT_EQ(off.second, Attack);  // never stepped: the operator is skipped whole
    EXPECT_NE(on.second, Attack);
    EXPECT_NE(off.first, on.first);
}

TEST(Voice, WaveformMixesSineIntoHarmonicTable) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::WAVm, 1.0f);
    midi(engine, 0x90, kMidiA4, 127);
    const std::vector<float> out = renderFrames(engine, 4410);
    // The harmonic table is normalised to a peak of 1 like the sine.
    EXPECT_NEAR(peakOf(out, 2000), 1.0f, 0.002f);
    const WaveTables tables;
    EXPECT_NEAR(tables.harmonic[803], 1.0f, 1e-6f);
}

TEST(Voice, EnvelopeEndingMidBlockStopsTheVoiceAfterThatRender) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, kMidiA4, 127);
    renderFrames(engine, 256);
    midi(engine, 0x80, kMidiA4, 0);
    const std::vector<float> out = renderFrames(engine, 256);  // release is 282 steps of 512
    EXPECT_FALSE(engine.voice(0).active);
    EXPECT_EQ(out[400], 0.0f);
    EXPECT_NE(out[100], 0.0f);
}

TEST(Voice, SustainAtZeroKeepsTheVoiceAliveUntilReleased) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::Sm, 0.0f);
    engine.setParameter(param::Dm, 0.1f);
    midi(engine, 0x90, kMidiA4, 127);
    const std::vector<float> out = renderFrames(engine, 44100);
    EXPECT_TRUE(engine.voice(0).active);
    EXPECT_EQ(peakOf(out, 80000), 0.0f);
}

TEST(Voice, LfoPitchThresholdIsStrict) {
    auto frequencyWith = [](float pitchDepth) {
        SynthEngine engine;
        setPlainSine(engine);
        engine.setParameter(param::LFO_SPD, 1.0f);
        engine.setParameter(param::LFO_PCH, pitchDepth);
        midi(engine, 0x90, kMidiA4, 127);
        return renderFrames(engine, 8192);
    };
    const std::vector<float> plain = frequencyWith(0.0f);
    EXPECT_EQ(frequencyWith(0.001f), plain);
    EXPECT_NE(frequencyWith(0.0011f), plain);
}
