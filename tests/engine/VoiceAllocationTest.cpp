// Voice pool: one voice reserved ahead, at most 16 sustaining, notes released by key or by need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "EngineTestSupport.h"

namespace {
std::vector<int> orderOf(const SynthEngine& engine) {
    const int* order = engine.voiceOrderList();
    return std::vector<int>(order, order + SynthEngine::kVoiceCount);
}

// Plays `count` held notes from MIDI 40 upwards, one block each, as a player would.
void playHeld(SynthEngine& engine, int count) {
    for (int n = 0; n < count; ++n) {
        midi(engine, 0x90, 40 + n, 100);
        renderFrames(engine, 8);
    }
}

std::vector<int> sounding(SynthEngine& engine) {
    std::vector<int> voices;
    for (int i = 0; i < SynthEngine::kVoiceCount; ++i)
        if (engine.voice(i).active && !engine.voice(i).released) voices.push_back(i);
    return voices;
}
}  // namespace

TEST(VoiceAllocation, FirstNotePlaysOnVoiceZeroAndReservesVoiceOne) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, 60, 100);
    EXPECT_EQ(engine.reservedVoice, 1);
    std::vector<int> expectedOrder = {0};
    for (int i = 2; i < 17; ++i) expectedOrder.push_back(i);
    expectedOrder.push_back(1);
    EXPECT_EQ(orderOf(engine), expectedOrder);
    renderFrames(engine, 64);
    EXPECT_EQ(sounding(engine), std::vector<int>{0});
    EXPECT_EQ(engine.voice(0).note, 48);  // MIDI 60 is engine note 48
}

TEST(VoiceAllocation, SeventeenHeldNotesKeepSixteenAndFadeTheOldest) {
    SynthEngine engine;
    setPlainSine(engine);
    playHeld(engine, 16);
    EXPECT_EQ(sounding(engine).size(), 16u);
    const int reservedBefore = engine.reservedVoice;
    const int oldest = orderOf(engine).front();
    midi(engine, 0x90, 70, 100);
    renderFrames(engine, 64);
    // The 17th note plays on the voice reserved at the 16th; the oldest held note starts fading.
    EXPECT_EQ(engine.voice(reservedBefore).note, 70 - 12);
    EXPECT_TRUE(engine.voice(reservedBefore).active);
    EXPECT_EQ(engine.reservedVoice, oldest);
    EXPECT_TRUE(engine.voice(oldest).released);
    EXPECT_EQ(engine.voice(oldest).env[Voice::kEnvelopeM].state, StealRelease);
    EXPECT_EQ(sounding(engine).size(), 16u);
}

TEST(VoiceAllocation, FadingVoicesAreReusedBeforeHeldOnes) {
    SynthEngine engine;
    setPlainSine(engine);
    engine.setParameter(param::Rm, 1.0f);  // 4 s release: released voices stay active
    playHeld(engine, 16);
    midi(engine, 0x80, 45, 0);  // release one held note
    renderFrames(engine, 64);
    const std::vector<int> before = sounding(engine);
    midi(engine, 0x90, 80, 100);
    renderFrames(engine, 64);
    // No held note was taken: the reservation went to the fading voice, the one that played 45.
    EXPECT_EQ(engine.voice(engine.reservedVoice).note, 45 - 12);
    for (int v : before) {
        if (v == engine.reservedVoice) continue;
        EXPECT_FALSE(engine.voice(v).released) << v;
    }
}

TEST(VoiceAllocation, NoteOnAndNoteOffInOneBlockReleaseTheQueuedStart) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0x90, 60, 100, 10);
    midi(engine, 0x80, 60, 0, 20);
    ASSERT_EQ(engine.eventCount, 2);
    EXPECT_EQ(engine.queuedEvents()[1].type, NoteRelease);
    EXPECT_EQ(engine.queuedEvents()[1].voice, 0);
    const std::vector<float> out = renderFrames(engine, 512);
    EXPECT_TRUE(engine.voice(0).released);
    EXPECT_EQ(out[19], 0.0f);
    EXPECT_NE(out[21], 0.0f);
}

TEST(VoiceAllocation, VelocityZeroIsANoteOff) {
    SynthEngine a, b;
    for (SynthEngine* e : {&a, &b}) {
        setPlainSine(*e);
        midi(*e, 0x90, 60, 100);
        renderFrames(*e, 64);
    }
    midi(a, 0x90, 60, 0, 5);
    midi(b, 0x80, 60, 64, 5);
    EXPECT_EQ(renderFrames(a, 1024), renderFrames(b, 1024));
}

TEST(VoiceAllocation, NoteOffForAFadingNoteQueuesNothing) {
    SynthEngine engine;
    setPlainSine(engine);
    playHeld(engine, 17);
    const int fading = engine.reservedVoice;
    const int note = engine.voice(fading).note;
    midi(engine, 0x80, note + 12, 0);
    EXPECT_EQ(engine.eventCount, 0);
}

TEST(VoiceAllocation, AllNotesOffSilencesAtOnceButAQueuedStartStillPlays) {
    for (int controller : {123, 126}) {
        SynthEngine engine;
        setPlainSine(engine);
        engine.setParameter(param::Rm, 1.0f);
        midi(engine, 0x90, 60, 100);
        midi(engine, 0x90, 64, 100);
        renderFrames(engine, 64);
        midi(engine, 0x80, 60, 0);
        midi(engine, 0x90, 67, 100, 32);
        midi(engine, 0xB0, controller, 0);
        const std::vector<float> out = renderFrames(engine, 128);
        EXPECT_EQ(peakOf(out, 0, 64), 0.0f) << controller;
        EXPECT_GT(peakOf(out, 64), 0.0f) << controller;
        EXPECT_EQ(sounding(engine).size(), 1u);
    }
}

TEST(VoiceAllocation, SustainPedalAndProgramChangeDoNothing) {
    SynthEngine engine;
    setPlainSine(engine);
    midi(engine, 0xB0, 64, 127);
    midi(engine, 0xC0, 5, 0);
    midi(engine, 0xA0, 60, 10);
    midi(engine, 0xD0, 10, 0);
    EXPECT_EQ(engine.eventCount, 0);
}

TEST(VoiceAllocation, AFullQueueDropsNotesWithoutTouchingVoices) {
    SynthEngine engine;
    setPlainSine(engine);
    for (int i = 0; i < SynthEngine::kMaxEvents; ++i) midi(engine, 0xB0, 1, i & 0x7F, 0);
    const int reserved = engine.reservedVoice;
    midi(engine, 0x90, 60, 100);
    EXPECT_EQ(engine.reservedVoice, reserved);
    EXPECT_FALSE(engine.voice(reserved).startPending);
    EXPECT_EQ(engine.eventCount, SynthEngine::kMaxEvents);
    renderFrames(engine, 16);
    EXPECT_EQ(engine.eventCount, 0);
}

TEST(VoiceAllocation, ExtremeNotesAtEveryOctaveStayInTheTableAndStillRelease) {
    for (int octaveStep = 0; octaveStep <= 6; ++octaveStep) {
        SynthEngine engine;
        setPlainSine(engine);
        const float octave = octaveStep / 6.0f;
        for (int op = 0; op < 4; ++op) engine.setParameter(param::operatorBase(op) + param::OCT, octave);
        engine.setParameter(param::OCTm, octave);
        for (int op = 0; op < 4; ++op) engine.setParameter(param::operatorBase(op) + param::LVL, 0.5f);
        midi(engine, 0x90, 0, 100);
        midi(engine, 0x90, 127, 100);
        std::vector<float> out = renderFrames(engine, 256);
        for (float s : out) ASSERT_TRUE(std::isfinite(s));
        midi(engine, 0x80, 0, 0);
        midi(engine, 0x80, 127, 0);
        renderFrames(engine, 2048);
        EXPECT_TRUE(sounding(engine).empty()) << "octave " << octaveStep;
    }
}

// Notes arriving together each get a voice of their own: a voice whose start is still queued is
// not free, though it is not active yet.
TEST(VoiceAllocation, NotesQueuedInOneBlockEachTakeTheirOwnVoice) {
    for (int notes : {2, 3, 5, 16}) {
        SynthEngine engine;
        setPlainSine(engine);
        for (int n = 0; n < notes; ++n) midi(engine, 0x90, 50 + n, 100, n);
        renderFrames(engine, 64);
        std::vector<int> heard;
        for (int v : sounding(engine)) heard.push_back(engine.voice(v).note + 12);
        std::sort(heard.begin(), heard.end());
        std::vector<int> played(notes);
        for (int n = 0; n < notes; ++n) played[n] = 50 + n;
        EXPECT_EQ(heard, played) << notes << " notes";
    }
}
