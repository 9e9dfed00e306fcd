// The audio call: tempo, decimation, effect switches, odd block sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "RecordingHost.h"
#include "engine/BlockRenderer.h"
#include "plugin/Calyx2Plugin.h"
#include "tests/support/MidiEvent.h"

namespace {
struct Stereo {
    std::vector<float> left, right;
};

// A running plug-in at 44100 Hz with program `program`, fed a small phrase.
struct Player {
    RecordingHost host;
    std::unique_ptr<Calyx2Plugin> plugin;

    explicit Player(int program = 0, int blockSize = 512) : plugin(new Calyx2Plugin(RecordingHost::callback)) {
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(blockSize);
        plugin->setProgram(program);
        plugin->resume();
    }
    void send(std::initializer_list<VstMidiEvent> midi) {
        std::vector<VstMidiEvent> events(midi);
        std::vector<char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        for (size_t i = 0; i < events.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
        plugin->processEvents(list);
    }
    Stereo process(int frames) {
        Stereo out{std::vector<float>(frames, 9.0f), std::vector<float>(frames, 9.0f)};
        float* outputs[] = {out.left.data(), out.right.data()};
        plugin->processReplacing(nullptr, outputs, frames);
        return out;
    }
};

constexpr auto note = midiEvent;

std::vector<float> concat(const std::vector<Stereo>& blocks) {
    std::vector<float> all;
    for (const Stereo& b : blocks) {
        all.insert(all.end(), b.left.begin(), b.left.end());
        all.insert(all.end(), b.right.begin(), b.right.end());
    }
    return all;
}
}  // namespace

TEST(OutputChain, DecimationKeepsOddSamplesDoubled) {
    const float mix[] = {1, 2, 3, 4, 5, 6};
    float left[3];
    decimate(mix, left, 3);
    EXPECT_EQ(left[0], 4.0f);
    EXPECT_EQ(left[1], 8.0f);
    EXPECT_EQ(left[2], 12.0f);
}

TEST(OutputChain, SixteenthNoteFromTheHostTempo) {
    const double tempo120 = 120.0;
    EXPECT_EQ(samplesPerSixteenthAt(&tempo120, 44100.0f), 5512);
    EXPECT_EQ(samplesPerSixteenthAt(&tempo120, 48000.0f), 6000);
    EXPECT_EQ(samplesPerSixteenthAt(nullptr, 44100.0f), 1);
    for (double hostile : {0.0, -120.0, 1e-30, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
        const int samples = samplesPerSixteenthAt(&hostile, 44100.0f);
        EXPECT_GE(samples, 1) << hostile;
        EXPECT_LE(samples, kLongestSixteenth) << hostile;
    }
}

TEST(OutputChain, ZeroFramesWritesNothingButStillAsksTheTime) {
    Player p;
    p.send({note(0x90, 60, 100, 0)});
    const int queries = p.host.timeQueries;
    float left = 9.0f, right = 9.0f;
    float* outputs[] = {&left, &right};
    p.plugin->processReplacing(nullptr, outputs, 0);
    EXPECT_EQ(p.host.timeQueries, queries + 1);
    EXPECT_EQ(left, 9.0f);
    EXPECT_EQ(right, 9.0f);
}

TEST(OutputChain, ChannelsAreIdenticalWithoutChorus) {
    Player p(0);
    p.send({note(0x90, 60, 100, 0), note(0x90, 67, 90, 100)});
    const Stereo s = p.process(4096);
    EXPECT_EQ(s.left, s.right);
    float peak = 0.0f;
    for (float v : s.left) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);
}

TEST(OutputChain, FilterSwitchIsStrictlyAboveOneHalf) {
    auto render = [](float aaa) {
        Player p(0);
        p.plugin->setParameter(param::AAA, aaa);
        p.send({note(0x90, 72, 100, 0)});
        return p.process(2048).left;
    };
    EXPECT_EQ(render(0.5f), render(0.0f));
    EXPECT_NE(render(0.5001f), render(0.0f));
}

TEST(OutputChain, EffectsAtTheThresholdDoNotRunAndKeepTheirState) {
    for (int levelIndex : {param::C_LVL, param::D_LVL}) {
        Player a(0), b(0);
        a.plugin->setParameter(levelIndex, 0.001f);
        b.plugin->setParameter(levelIndex, 0.0f);
        a.send({note(0x90, 60, 100, 0)});
        b.send({note(0x90, 60, 100, 0)});
        EXPECT_EQ(concat({a.process(3000)}), concat({b.process(3000)}));
        a.plugin->setParameter(levelIndex, 0.8f);
        b.plugin->setParameter(levelIndex, 0.8f);
        EXPECT_EQ(concat({a.process(3000)}), concat({b.process(3000)})) << levelIndex;
    }
}

TEST(OutputChain, BlocksLongerThanTheBufferAreRenderedInStretches) {
    Player small(16, 64), large(16, 1024);
    for (Player* p : {&small, &large}) p->send({note(0x90, 60, 100, 10), note(0x90, 64, 100, 300), note(0x80, 60, 0, 900)});
    EXPECT_EQ(concat({small.process(1000)}), concat({large.process(1000)}));
}

TEST(OutputChain, BlockSplitsDoNotChangeTheSamples) {
    Player whole(16, 1024), split(16, 1024);
    whole.send({note(0x90, 60, 100, 10), note(0xE0, 0, 0x50, 200)});
    split.send({note(0x90, 60, 100, 10), note(0xE0, 0, 0x50, 200)});
    const Stereo w = whole.process(1024);
    const Stereo a = split.process(300), b = split.process(724);
    std::vector<float> left(a.left);
    left.insert(left.end(), b.left.begin(), b.left.end());
    // The bend lands at frame 200 in both; everything after is the same arithmetic.
    EXPECT_EQ(left, w.left);
}
