// Golden renders: a fixed phrase played through the whole plug-in object (engine, filter, chorus,
// delay) must give the stored samples byte for byte, so that any change to the arithmetic, however
// small, is seen. Besides the three long-standing renders, a suite of longer ones is made to reach
// every stage: echoes and their repeats at fast tempos, the chorus at several rates and depths,
// the filter fed partials near and above the host's Nyquist frequency, and a run that steals
// voices while many fade.
//
// Each file in tests/engine/golden/ holds, as little-endian float32: the 69 parameter values the
// phrase was played with, then the output as left/right pairs. The parameters are stored too, so the
// files keep their meaning when the factory bank is edited.
//
// Re-blessing is deliberate: run the test with CALYX2_BLESS=1 in the environment and it rewrites
// the files from the current build (taking programs 0 and 16 from the current factory bank and the
// benchmark's full-load patch) instead of checking them; review the git diff before committing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "bench/FullLoad.h"
#include "plugin/Calyx2Plugin.h"
#include "tests/support/MidiEvent.h"

namespace {
constexpr int kBlockSizes[] = {512, 256, 300, 700, 280};  // 2048 frames in all: one round
constexpr int kPhraseBlocks = 5;
constexpr float kRate = 44100.0f;
constexpr double kPhraseTempo = 132.0;  // a sixteenth of 5011 frames: no echo within a round

// How long and at what tempo a phrase is played, and whether the rounds after the first go on
// with runs of notes (stealing) or only let the sound ring out.
struct Playing {
    double tempo = kPhraseTempo;
    int rounds = 1;
    bool runsAfterwards = false;
};
double hostTempo = kPhraseTempo;

VstIntPtr VSTCALLBACK goldenHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = hostTempo;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}

constexpr auto midi = midiEvent;

void send(Calyx2Plugin& plugin, std::vector<VstMidiEvent> events) {
    std::vector<char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    for (size_t i = 0; i < events.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    plugin.processEvents(list);
}

// The phrase: a chord, bend and wheel, a run that steals voices, releases, and a bend back.
std::vector<VstMidiEvent> phraseFor(int block) {
    switch (block) {
        case 0: return {midi(0x90, 60, 100, 0), midi(0x90, 64, 70, 17), midi(0x90, 67, 127, 100)};
        case 1: return {midi(0xE0, 0x00, 0x60, 5), midi(0xB0, 1, 64, 40), midi(0x90, 72, 90, 120)};
        case 2: {
            std::vector<VstMidiEvent> run{midi(0x80, 60, 0, 10)};
            for (int n = 0; n < 15; ++n) run.push_back(midi(0x90, 40 + 3 * n, 30 + 6 * n, 12 + 18 * n));
            return run;
        }
        case 3: return {midi(0x80, 64, 0, 0), midi(0x90, 67, 0, 333), midi(0xE0, 0x00, 0x40, 500), midi(0x80, 46, 0, 699)};
        case 4: return {midi(0xB0, 1, 0, 3), midi(0x90, 30, 50, 100)};
        default: return {};
    }
}

// Later rounds of the stealing render: twelve new notes a block, every third of them let go.
std::vector<VstMidiEvent> runFor(int block) {
    std::vector<VstMidiEvent> run;
    for (int n = 0; n < 12; ++n) {
        const int key = 36 + (7 * (block * 12 + n)) % 60;
        run.push_back(midi(0x90, key, 40 + 7 * n, 20 * n));
        if (n % 3 == 2) run.push_back(midi(0x80, key, 0, 20 * n + 15));
    }
    return run;
}

std::vector<float> play(const std::vector<float>& values, const Playing& playing) {
    hostTempo = playing.tempo;
    Calyx2Plugin plugin(goldenHost);
    plugin.setSampleRate(kRate);
    plugin.setBlockSize(1024);
    plugin.resume();
    std::vector<float> chunk(values);
    plugin.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size() * sizeof(float)), true);
    std::vector<float> interleaved;
    for (int block = 0; block < playing.rounds * kPhraseBlocks; ++block) {
        send(plugin, block >= kPhraseBlocks && playing.runsAfterwards ? runFor(block) : phraseFor(block));
        const int frames = kBlockSizes[block % kPhraseBlocks];
        std::vector<float> left(frames), right(frames);
        float* outputs[] = {left.data(), right.data()};
        plugin.processReplacing(nullptr, outputs, frames);
        for (int i = 0; i < frames; ++i) {
            interleaved.push_back(left[i]);
            interleaved.push_back(right[i]);
        }
    }
    return interleaved;
}

std::string goldenPath(const char* name) { return std::string(CALYX2_GOLDEN_DIR) + "/" + name + ".f32"; }

bool blessing() {
    const char* bless = std::getenv("CALYX2_BLESS");
    return bless && std::strcmp(bless, "1") == 0;
}

std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

void writeFloats(const std::string& path, const std::vector<float>& floats) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(floats.data()), static_cast<std::streamsize>(floats.size() * sizeof(float)));
}

std::vector<float> factoryProgram(int program) {
    Calyx2Plugin plugin(goldenHost);
    plugin.setProgram(program);
    return std::vector<float>(plugin.getEngine().params, plugin.getEngine().params + param::Count);
}

std::vector<float> fullLoadPatch() {
    std::vector<float> values = factoryProgram(0);
    setFullLoadPatch(values.data());
    return values;
}

void checkGolden(const char* name, const std::vector<float>& blessValues, const Playing& playing = Playing()) {
    const std::string path = goldenPath(name);
    if (blessing()) {
        std::vector<float> file(blessValues);
        const std::vector<float> samples = play(blessValues, playing);
        file.insert(file.end(), samples.begin(), samples.end());
        writeFloats(path, file);
        GTEST_SKIP() << "blessed " << path;
    }
    const std::vector<float> file = readFloats(path);
    ASSERT_GT(file.size(), static_cast<size_t>(param::Count)) << "missing or empty: " << path;
    const std::vector<float> values(file.begin(), file.begin() + param::Count);
    const std::vector<float> expected(file.begin() + param::Count, file.end());
    const std::vector<float> actual = play(values, playing);
    ASSERT_EQ(actual.size(), expected.size());
    size_t silent = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        if (expected[i] == 0.0f) ++silent;
        uint32_t a, e;
        std::memcpy(&a, &actual[i], sizeof a);
        std::memcpy(&e, &expected[i], sizeof e);
        ASSERT_EQ(a, e) << name << ": frame " << i / 2 << (i % 2 ? " right" : " left") << " is " << actual[i]
                        << ", stored " << expected[i];
    }
    EXPECT_LT(silent, actual.size() / 2) << "the phrase should be heard, not mostly silence";
}
}  // namespace

TEST(GoldenRender, FirstFactoryProgram) { checkGolden("program00", factoryProgram(0)); }
TEST(GoldenRender, SeventeenthFactoryProgram) { checkGolden("program16", factoryProgram(16)); }
TEST(GoldenRender, FullLoadPatch) { checkGolden("fullload", fullLoadPatch()); }

namespace {
// A stage heard in isolation: program 0 with some parameters set, played at some tempo.
struct StageRender {
    const char* name;
    std::vector<std::pair<int, float>> settings;
    Playing playing;
};

const std::pair<int, float> kNoChorus{param::C_LVL, 0.0f}, kNoDelay{param::D_LVL, 0.0f};
const std::pair<int, float> kNoFilter{param::AAA, 0.0f};

// 600 bpm: a sixteenth of 1102 frames, so the first echo and two repeats fall in two rounds; at
// 999 bpm three sixteenths are 1986 frames.
const StageRender kStageRenders[] = {
    {"echoes_one_sixteenth",
     {kNoChorus, kNoFilter, {param::D_LVL, 0.9f}, {param::D_SPD, 0.0f}, {param::D_FB, 0.85f}},
     {600.0, 2, false}},
    {"echoes_three_sixteenths",
     {kNoChorus, kNoFilter, {param::D_LVL, 0.7f}, {param::D_SPD, 0.3f}, {param::D_FB, 0.6f}},
     {999.0, 2, false}},
    {"chorus_slow_shallow", {kNoDelay, kNoFilter, {param::C_LVL, 1.0f}, {param::C_SPD, 0.3f}, {param::C_DPH, 0.2f}},
     {kPhraseTempo, 2, false}},
    {"chorus_fast_deep", {kNoDelay, kNoFilter, {param::C_LVL, 0.8f}, {param::C_SPD, 1.0f}, {param::C_DPH, 1.0f}},
     {kPhraseTempo, 2, false}},
    {"chorus_still", {kNoDelay, kNoFilter, {param::C_LVL, 0.6f}, {param::C_SPD, 0.0f}, {param::C_DPH, 0.6f}},
     {kPhraseTempo, 2, false}},
    // Operator m five octaves up on its harmonic wave with feedback: partials up to the top note's
    // 12.5 kHz and many beyond the host's Nyquist frequency, which the filter must remove.
    {"filter_near_nyquist",
     {kNoChorus, kNoDelay, {param::AAA, 1.0f}, {param::OCTm, 0.84f}, {param::WAVm, 1.0f}, {param::FEBm, 0.5f}},
     {kPhraseTempo, 1, false}},
    // A long release keeps the voices fading while runs of notes keep taking them.
    {"stealing", {kNoChorus, kNoDelay, {param::Rm, 0.8f}}, {kPhraseTempo, 2, true}},
};

void PrintTo(const StageRender& render, std::ostream* out) { *out << render.name; }

class StageGoldenRender : public testing::TestWithParam<StageRender> {};
}  // namespace

TEST_P(StageGoldenRender, MatchesTheStoredSamples) {
    const StageRender& render = GetParam();
    std::vector<float> values = factoryProgram(0);
    for (const auto& [index, value] : render.settings) values[index] = value;
    checkGolden(render.name, values, render.playing);
}

INSTANTIATE_TEST_SUITE_P(Stage, StageGoldenRender, testing::ValuesIn(kStageRenders),
                         [](const testing::TestParamInfo<StageRender>& info) { return std::string(info.param.name); });
