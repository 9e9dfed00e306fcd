// Golden renders: a fixed phrase played through the whole plug-in object (engine, filter, chorus,
// delay) must give the stored samples byte for byte, so that any change to the arithmetic, however
// small, is seen.
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
#include <string>
#include <vector>

#include "bench/FullLoad.h"
#include "plugin/Calyx2Plugin.h"

namespace {
constexpr int kBlockSizes[] = {512, 256, 300, 700, 280};  // 2048 frames in all
constexpr float kRate = 44100.0f;

VstIntPtr VSTCALLBACK goldenHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = 132.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}

VstMidiEvent midi(int status, int data1, int data2, int delta) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}

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
        default: return {midi(0xB0, 1, 0, 3), midi(0x90, 30, 50, 100)};
    }
}

std::vector<float> play(const std::vector<float>& values) {
    Calyx2Plugin plugin(goldenHost);
    plugin.setSampleRate(kRate);
    plugin.setBlockSize(1024);
    plugin.resume();
    std::vector<float> chunk(values);
    plugin.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size() * sizeof(float)), true);
    std::vector<float> interleaved;
    int block = 0;
    for (int frames : kBlockSizes) {
        send(plugin, phraseFor(block++));
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

void checkGolden(const char* name, const std::vector<float>& blessValues) {
    const std::string path = goldenPath(name);
    if (blessing()) {
        std::vector<float> file(blessValues);
        const std::vector<float> samples = play(blessValues);
        file.insert(file.end(), samples.begin(), samples.end());
        writeFloats(path, file);
        GTEST_SKIP() << "blessed " << path;
    }
    const std::vector<float> file = readFloats(path);
    ASSERT_GT(file.size(), static_cast<size_t>(param::Count)) << "missing or empty: " << path;
    const std::vector<float> values(file.begin(), file.begin() + param::Count);
    const std::vector<float> expected(file.begin() + param::Count, file.end());
    const std::vector<float> actual = play(values);
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
