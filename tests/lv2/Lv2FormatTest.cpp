// The calyx2.lv2 bundle through lilv against calyx2.so through the VST 2.4 host: the same samples for
// the same performance, state that reopens a session exactly and carries the VST 2.4 bank, and
// presets that are the factory programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>

#include "host/HostedPlugin.h"
#include "host/Lv2Instrument.h"
#include "plugin/ProgramBank.h"

namespace {

using host::HostedPlugin;
using host::Instrument;
using host::Lv2Instrument;
using host::MidiMessage;

std::unique_ptr<Lv2Instrument> openLv2(float rate, int32_t blockSize) {
    std::string error;
    auto plugin = Lv2Instrument::load(CALYX2_LV2_BUNDLE, error);
    EXPECT_TRUE(plugin) << error;
    if (plugin) {
        plugin->setSampleRate(rate);
        plugin->setBlockSize(blockSize);
        plugin->open();
    }
    return plugin;
}

std::unique_ptr<HostedPlugin> openVst(float rate, int32_t blockSize) {
    std::string error;
    auto plugin = HostedPlugin::load(CALYX2_PLUGIN_FILE, error);
    EXPECT_TRUE(plugin) << error;
    if (plugin) {
        plugin->open();
        plugin->setSampleRate(rate);
        plugin->setBlockSize(blockSize);
    }
    return plugin;
}

// One block of a performance: parameter changes made before it, then its MIDI.
struct Block {
    int32_t frames = 0;
    std::vector<std::pair<int, float>> parameterChanges;
    std::vector<MidiMessage> messages;
    double tempo = 0.0;  // 0: unchanged
};

MidiMessage message(int32_t at, int status, int data1, int data2) {
    MidiMessage m;
    m.deltaFrames = at;
    m.bytes[0] = static_cast<uint8_t>(status);
    m.bytes[1] = static_cast<uint8_t>(data1);
    m.bytes[2] = static_cast<uint8_t>(data2);
    return m;
}

// Notes on and off, bends, the wheel and parameter changes at random, in blocks of random length.
std::vector<Block> randomPerformance(uint32_t seed, int32_t blockSize, int32_t totalFrames) {
    std::mt19937 random(seed);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    std::vector<int> sounding;
    std::vector<Block> blocks;
    for (int32_t done = 0; done < totalFrames;) {
        Block block;
        block.frames = below(4) == 0 ? 1 + below(blockSize) : blockSize;
        std::vector<int32_t> times;
        for (int n = below(6); n > 0; --n) times.push_back(below(block.frames));
        std::sort(times.begin(), times.end());
        for (int32_t at : times) {
            const int channel = below(16);
            switch (below(6)) {
                case 0:
                case 1: {
                    const int note = 24 + below(80);
                    block.messages.push_back(message(at, 0x90 | channel, note, 1 + below(127)));
                    sounding.push_back(note);
                    break;
                }
                case 2:
                    if (!sounding.empty()) {
                        const size_t which = below(static_cast<int>(sounding.size()));
                        block.messages.push_back(message(at, 0x80 | channel, sounding[which], 64));
                        sounding.erase(sounding.begin() + which);
                    }
                    break;
                case 3:
                    block.messages.push_back(message(at, 0xE0 | channel, below(128), below(128)));
                    break;
                case 4:
                    block.messages.push_back(message(at, 0xB0 | channel, 1, below(128)));
                    break;
                default:
                    block.messages.push_back(message(at, 0x90 | channel, 24 + below(80), 0));
                    break;
            }
        }
        for (int n = below(3) == 0 ? 1 + below(3) : 0; n > 0; --n)
            block.parameterChanges.push_back(
                {below(param::Count), static_cast<float>(below(1001)) / 1000.0f});
        if (below(40) == 0) block.tempo = 60.0 + 2.5 * below(60);
        done += block.frames;
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// Plays the performance, returning both channels of every block one after the other.
std::vector<float> play(Instrument& plugin, const std::vector<Block>& blocks) {
    std::vector<float> rendered;
    for (const Block& block : blocks) {
        for (const auto& change : block.parameterChanges) plugin.setParameter(change.first, change.second);
        if (block.tempo > 0.0) plugin.setTempo(block.tempo);
        EXPECT_TRUE(plugin.process(block.messages, block.frames));
        for (int channel = 0; channel < 2; ++channel)
            rendered.insert(rendered.end(), plugin.output(channel), plugin.output(channel) + block.frames);
    }
    return rendered;
}

// Index of the first sample whose bits differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
    return -1;
}

struct ParityCase {
    float rate;
    int32_t blockSize;
};

void PrintTo(const ParityCase& c, std::ostream* out) {
    *out << c.rate << " Hz, runs of up to " << c.blockSize;
}

class Lv2Parity : public testing::TestWithParam<ParityCase> {};

TEST_P(Lv2Parity, SamplesMatchTheVstBinaryBitForBit) {
    const ParityCase c = GetParam();
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        auto lv2 = openLv2(c.rate, c.blockSize);
        auto vst = openVst(c.rate, c.blockSize);
        ASSERT_TRUE(lv2 && vst);
        // Start from a program with the filter and both effects on, or from a random one.
        const int program = seed == 1 ? 16 : static_cast<int>(seed * 11 % kProgramCount);
        lv2->setProgram(program);
        vst->setProgram(program);
        if (seed != 3) {  // the third plays without a host tempo
            lv2->setTempo(120.0);
            vst->setTempo(120.0);
        }
        lv2->resume();
        vst->resume();
        const auto blocks =
            randomPerformance(seed * 7919 + c.blockSize, c.blockSize, static_cast<int32_t>(c.rate));
        const std::vector<float> fromLv2 = play(*lv2, blocks);
        const std::vector<float> fromVst = play(*vst, blocks);
        EXPECT_EQ(firstDifference(fromLv2, fromVst), -1) << "seed " << seed << ", program " << program;
        double energy = 0.0;
        for (float sample : fromVst) energy += static_cast<double>(sample) * sample;
        EXPECT_GT(energy, 0.0) << "seed " << seed << " played silence";
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndRuns, Lv2Parity,
                         testing::Values(ParityCase{44100.0f, 64}, ParityCase{48000.0f, 512},
                                         ParityCase{96000.0f, 1000}, ParityCase{22050.0f, 4096}),
                         [](const testing::TestParamInfo<ParityCase>& info) {
                             return std::to_string(static_cast<int>(info.param.rate)) + "Hz_" +
                                    std::to_string(info.param.blockSize);
                         });

// The same samples as the VST 2.4 binary for a run crowded with events, and for a run with more than
// the engine's queue holds, a note the VST 2.4 path has to drop still sounds: the adapter renders
// the part before it and empties the queue.
TEST(Lv2Parity, CrowdedRuns) {
    const int32_t frames = 4096;
    std::vector<Block> crowded(3);
    for (Block& block : crowded) block.frames = frames;
    for (int i = 0; i < 90; ++i)
        crowded[1].messages.push_back(message(i * 40, i % 3 == 2 ? 0x80 : 0x90, 36 + (i * 7) % 48, 20 + i));

    std::vector<Block> overflowing(12);
    for (Block& block : overflowing) block.frames = frames;
    for (int i = 0; i < 70; ++i) {  // 140 events, each pair queuing a start and its release
        overflowing[0].messages.push_back(message(2 * i, 0x90, 40 + i, 100));
        overflowing[0].messages.push_back(message(2 * i + 1, 0x80, 40 + i, 0));
    }
    overflowing[0].messages.push_back(message(frames - 96, 0x90, 69, 100));  // held to the end

    auto resumed = [](std::unique_ptr<Instrument> plugin) {
        if (plugin) plugin->resume();
        return plugin;
    };
    auto lv2 = resumed(openLv2(48000.0f, frames));
    auto vst = resumed(openVst(48000.0f, frames));
    ASSERT_TRUE(lv2 && vst);
    EXPECT_EQ(firstDifference(play(*lv2, crowded), play(*vst, crowded)), -1);

    auto lastBlockEnergy = [&](std::unique_ptr<Instrument> plugin) {
        const std::vector<float> rendered = play(*plugin, overflowing);
        double energy = 0.0;
        for (size_t i = rendered.size() - 2 * frames; i < rendered.size(); ++i)
            energy += rendered[i] * rendered[i];
        return energy;
    };
    const double fromLv2 = lastBlockEnergy(resumed(openLv2(48000.0f, frames)));
    const double fromVst = lastBlockEnergy(resumed(openVst(48000.0f, frames)));
    EXPECT_GT(fromLv2, 100.0 * fromVst)
        << "the held note is lost (LV2 " << fromLv2 << ", VST " << fromVst << ")";
}

// The bytes of the bank property in a state lilv wrote: base64 in an atom:Chunk literal.
std::vector<uint8_t> bankInState(const std::string& turtle) {
    std::smatch match;
    if (!std::regex_search(turtle, match, std::regex("calyx2#bank>\\s+\"+([A-Za-z0-9+/=\\s]+)\""))) return {};
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    int count = 0;
    for (char c : match[1].str()) {
        const size_t value = alphabet.find(c);
        if (value == std::string::npos) continue;  // padding and line breaks
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes.push_back(static_cast<uint8_t>(bits >> count));
        }
    }
    return bytes;
}

const std::vector<std::pair<int, float>> kEdits = {
    {0, 0.75f}, {param::FIN2, 0.3125f}, {param::C_LVL, 1.0f}, {param::D_FB, 0.5f}};

TEST(Lv2State, CarriesTheVstBankChunkAndReopensExactly) {
    auto original = openLv2(48000.0f, 256);
    auto vst = openVst(48000.0f, 256);
    ASSERT_TRUE(original && vst);
    for (const auto& edit : kEdits) {
        original->setParameter(edit.first, edit.second);
        vst->setParameter(edit.first, edit.second);
    }
    original->resume();
    ASSERT_TRUE(original->process({}, 256));  // the plug-in takes port values when it runs
    const std::string saved = original->saveState();
    EXPECT_EQ(bankInState(saved), vst->chunk(false));

    auto reopened = openLv2(48000.0f, 256);
    ASSERT_TRUE(reopened);
    ASSERT_TRUE(reopened->restoreState(saved));
    reopened->resume();
    ASSERT_TRUE(reopened->process({}, 256));
    EXPECT_TRUE(reopened->saveState() == saved) << "a state saved again after restoring differs";
    const auto blocks = randomPerformance(99, 256, 24000);
    EXPECT_EQ(firstDifference(play(*original, blocks), play(*reopened, blocks)), -1);
    EXPECT_FALSE(reopened->restoreState("no state here"));
}

TEST(Lv2Presets, AreTheFactoryProgramsPortForPort) {
    auto plugin = openLv2(44100.0f, 128);
    ASSERT_TRUE(plugin);
    const ProgramBank factory;
    ProgramBank& bank = const_cast<ProgramBank&>(factory);
    ASSERT_EQ(plugin->numParameters(), param::Count);
    for (int i = 0; i < param::Count; ++i)
        EXPECT_EQ(plugin->parameter(i), bank.program(0).values[i]) << "default of port " << i;
    ASSERT_EQ(plugin->numPrograms(), kProgramCount);
    // Backwards, so that each preset is applied over a different one.
    for (int p = kProgramCount - 1; p >= 0; --p) {
        const ProgramRecord& record = bank.program(p);
        std::string name;
        ASSERT_TRUE(plugin->programNameIndexed(p, name));
        EXPECT_EQ(name, std::string(record.name, strnlen(record.name, kProgramNameLength)));
        plugin->setProgram(p);
        for (int i = 0; i < param::Count; ++i) {
            const float value = plugin->parameter(i);
            EXPECT_EQ(std::memcmp(&value, &record.values[i], sizeof value), 0)
                << "program " << p << ", " << plugin->parameterSymbol(i) << ": " << value << " instead of "
                << record.values[i];
        }
    }
}

TEST(Lv2Loading, ByBundleDirectoryOrByUriOnTheLv2Path) {
    EXPECT_TRUE(Lv2Instrument::looksLikeLv2(CALYX2_LV2_BUNDLE));
    EXPECT_TRUE(Lv2Instrument::looksLikeLv2("urn:tamberlow:calyx2"));
    EXPECT_FALSE(Lv2Instrument::looksLikeLv2(CALYX2_PLUGIN_FILE));
    std::string error;
    auto byBundle = Lv2Instrument::load(CALYX2_LV2_BUNDLE, error);
    ASSERT_TRUE(byBundle) << error;
    EXPECT_EQ(byBundle->uri(), "urn:tamberlow:calyx2");
    EXPECT_EQ(byBundle->effectName(), "Calyx2");
    EXPECT_EQ(byBundle->numOutputs(), 2);
    EXPECT_EQ(byBundle->parameterName(param::LFO_SPD), "LFO_SPD");

    // lilv itself crashes on a relative directory in LV2_PATH; the host library hands it absolute ones.
    const auto directory = std::filesystem::path(CALYX2_LV2_BUNDLE).parent_path();
    const std::string path = "no-such-directory:" + std::filesystem::relative(directory).string();
    setenv("LV2_PATH", path.c_str(), 1);
    auto byUri = Lv2Instrument::load("urn:tamberlow:calyx2", error);
    EXPECT_TRUE(byUri) << error;
    EXPECT_FALSE(Lv2Instrument::load("urn:tamberlow:nothing", error));
    EXPECT_EQ(error, "urn:tamberlow:nothing: no LV2 plug-in with this URI on the LV2 path");
    unsetenv("LV2_PATH");
    EXPECT_FALSE(Lv2Instrument::load("/no/such.lv2", error));
    EXPECT_EQ(error, "/no/such.lv2: no such bundle directory");
}

}  // namespace
