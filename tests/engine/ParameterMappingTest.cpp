// How parameter values become voice state, and when a change is heard.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "EngineTestSupport.h"

TEST(ParameterMapping, RoutePositionsOfEachOperator) {
    SynthEngine engine;
    setPlainSine(engine);
    const struct {
        float value;
        Route first3;
        Route fourth;
    } cases[] = {{0.0f, RouteNext, RouteM}, {0.44f, RouteNext, RouteM}, {0.5f, RouteM, RouteM},
                 {0.94f, RouteM, RouteM},   {0.95f, RouteOut, RouteOut}, {1.0f, RouteOut, RouteOut}};
    for (const auto& c : cases) {
        for (int op = 0; op < 4; ++op) engine.setParameter(param::operatorBase(op) + param::RTE, c.value);
        for (int v = 0; v < SynthEngine::kVoiceCount; ++v) {
            for (int op = 0; op < 3; ++op) EXPECT_EQ(engine.voice(v).dest[op], c.first3) << c.value;
            EXPECT_EQ(engine.voice(v).dest[3], c.fourth) << c.value;
        }
    }
}

TEST(ParameterMapping, OutOfRangeRouteKeepsThePreviousRoute) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::RTE2, 1.0f);
    engine.setParameter(param::RTE2, 3.0f);
    engine.setParameter(param::RTE2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(engine.voice(0).dest[1], RouteOut);
}

TEST(ParameterMapping, OperatorOneIntoThreeWhenTwoIsOff) {
    // Routed "next" with operator 2 off, operator 1 must modulate operator 3.
    auto render = [](float level1) {
        SynthEngine engine;
        setPlainSine(engine);
        engine.setParameter(param::LVL1, level1);
        engine.setParameter(param::S1, 1.0f);
        engine.setParameter(param::RTE1, 0.0f);
        engine.setParameter(param::LVL3, 1.0f);
        engine.setParameter(param::S3, 1.0f);
        engine.setParameter(param::RTE3, 1.0f);  // to the output, so its modulation is heard
        engine.setParameter(param::LVLm, 0.001f);
        midi(engine, 0x90, 69, 127);
        return renderFrames(engine, 2048);
    };
    EXPECT_NE(render(0.5f), render(0.0f));
}

TEST(ParameterMapping, LfoIncrementAt44100) {
    SynthEngine engine;
    setPlainSine(engine);
    const struct {
        float speed;
        int increment;
    } cases[] = {{0.5f, 3}, {1.0f, 7}, {0.1f, 0}, {0.0f, 0}};
    for (const auto& c : cases) {
        engine.setParameter(param::LFO_SPD, c.speed);
        for (int v = 0; v < SynthEngine::kVoiceCount; ++v) EXPECT_EQ(engine.voice(v).lfoInc, c.increment) << c.speed;
    }
    engine.setSampleRate(22050.0f);
    engine.setParameter(param::LFO_SPD, 0.5f);
    EXPECT_EQ(engine.voice(0).lfoInc, 7);  // trunc(32767 / 4410)
}

TEST(ParameterMapping, EnvelopeParameterRecomputesAllFourRatesInEveryVoice) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::D1, 0.5f);
    engine.setParameter(param::S1, 0.25f);
    engine.setParameter(param::R1, 0.5f);
    engine.setParameter(param::A1, 0.5f);
    for (int v = 0; v < SynthEngine::kVoiceCount; ++v) {
        const Envelope& e = engine.voice(v).env[1];
        const double base = 0.125f / kTestRate;
        EXPECT_EQ(e.attackRate, static_cast<float>(base / 0.25));
        EXPECT_EQ(e.decayRate, static_cast<float>(base / 0.25));
        EXPECT_EQ(e.sustainLevel, 0.25f);
        EXPECT_EQ(e.releaseRate, static_cast<float>(base / 0.25));
    }
}

TEST(ParameterMapping, OctaveAndFineChangesWaitForTheNextNote) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, 69, 127);
    renderFrames(engine, 16);
    const uint16_t held = engine.voice(0).phaseInc[Voice::kOperatorM];
    engine.setParameter(param::OCTm, 2.0f / 6.0f);
    engine.setParameter(param::FIN1, 1.0f);
    renderFrames(engine, 16);
    EXPECT_EQ(engine.voice(0).phaseInc[Voice::kOperatorM], held);
    midi(engine, 0x90, 69, 127);
    renderFrames(engine, 16);
    EXPECT_EQ(engine.voice(1).phaseInc[Voice::kOperatorM], 2 * held + 1);  // 653: an octave up
}

TEST(ParameterMapping, UnmappedIndexChangesOnlyTheValue) {
    SynthEngine engine;
    setPlainSine(engine);
    const Voice before = engine.voice(0);
    engine.setParameter(param::AAA, 1.0f);
    EXPECT_EQ(engine.params[param::AAA], 1.0f);
    EXPECT_EQ(std::memcmp(&before.dest, &engine.voice(0).dest, sizeof before.dest), 0);
    EXPECT_EQ(before.lfoInc, engine.voice(0).lfoInc);
}

// Whatever hostile values sound like, they must not crash, trip the sanitizers or leave lasting
// damage: once sane values are back and the voices silenced, a note sounds as on a fresh engine.
TEST(ParameterMapping, NonFiniteAndHugeValuesKeepRenderingSafely) {
    const auto playNote = [](SynthEngine& engine) {
        midi(engine, 0xE0, 0x00, 0x40);  // bend back to the centre
        midi(engine, 0x90, 69, 100);
        return renderFrames(engine, 256);
    };
    SynthEngine fresh;
    setPlainSine(fresh);
    const std::vector<float> expected = playNote(fresh);
    const float hostile[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 1e-40f};
    for (float value : hostile) {
        SynthEngine engine;
        setPlainSine(engine);
        for (int i = 0; i < param::Count; ++i) engine.setParameter(i, value);
        engine.setSampleRate(kTestRate);
        midi(engine, 0x90, 60, 100);
        midi(engine, 0xE0, 0x7F, 0x7F);
        midi(engine, 0x90, 127, 100, 3);
        renderFrames(engine, 256);
        setPlainSine(engine);
        midi(engine, 0xB0, 123, 0);
        EXPECT_EQ(playNote(engine), expected) << value;
    }
}
