// The host library and the preset files against the calyx2 binary built alongside.
#include <gtest/gtest.h>

#include <cmath>

#include "host/HostedPlugin.h"
#include "host/PresetState.h"

namespace {

using host::HostedPlugin;
using host::Preset;

#ifdef CALYX2_PLUGIN_FILE
#define REQUIRE_CALYX2()
const char* const kCalyx2 = CALYX2_PLUGIN_FILE;
#else
#define REQUIRE_CALYX2() GTEST_SKIP() << "the calyx2 target is not part of this build"
const char* const kCalyx2 = "";
#endif

std::unique_ptr<HostedPlugin> loadCalyx2() {
    std::string error;
    auto plugin = HostedPlugin::load(kCalyx2, error);
    EXPECT_TRUE(plugin) << error;
    if (plugin) {
        plugin->open();
        plugin->setSampleRate(48000.0f);
        plugin->setBlockSize(256);
    }
    return plugin;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
    return std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + length);
}

std::vector<uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

TEST(Calyx2Host, IdentityAndHostRequests) {
    REQUIRE_CALYX2();
    auto plugin = loadCalyx2();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(host::fourCharacterCode(plugin->uniqueId()), "KZC2");
    EXPECT_EQ(plugin->numParameters(), 69);
    EXPECT_EQ(plugin->numPrograms(), 32);
    EXPECT_TRUE(plugin->hasFlag(effFlagsProgramChunks));
    EXPECT_EQ(plugin->parameterName(0), "LVL1");
    EXPECT_EQ(plugin->parameterName(68), "D_FB");

    plugin->setTempo(120.0);
    plugin->resume();
    EXPECT_EQ(plugin->wantMidiRequests(), 1);
    for (int block = 0; block < 3; ++block) ASSERT_TRUE(plugin->process({}, 256));
    EXPECT_EQ(plugin->timeInfoRequests(), 3);

    EXPECT_EQ(plugin->setChunk(std::vector<uint8_t>(100, 0), true), 0);
    EXPECT_EQ(plugin->updateDisplayRequests(), 1);
}

TEST(Calyx2Host, ProgramPresetFileRoundTripsByteForByte) {
    REQUIRE_CALYX2();
    auto source = loadCalyx2();
    ASSERT_TRUE(source);
    source->setProgram(4);
    source->setParameter(0, 0.3125f);
    Preset program = host::captureProgram(*source);
    auto bytes = host::serializePreset(program);
    ASSERT_EQ(bytes.size(), 60u + 276u);
    EXPECT_EQ(slice(bytes, 0, 24), bytesOf({'C', 'c', 'n', 'K', 0, 0, 0x01, 0x48, 'F', 'P', 'C', 'h', 0, 0, 0, 1, 'K',
                                            'Z', 'C', '2', 0, 0, 0, 1}));
    EXPECT_EQ(slice(bytes, 24, 4), bytesOf({0, 0, 0, 69}));
    EXPECT_EQ(slice(bytes, 56, 4), bytesOf({0, 0, 0x01, 0x14}));
    std::string name = source->programName();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), name);

    auto target = loadCalyx2();
    ASSERT_TRUE(target);
    Preset parsed;
    std::string error;
    ASSERT_TRUE(host::parsePreset(bytes, parsed, error)) << error;
    ASSERT_TRUE(host::applyPreset(*target, parsed, error)) << error;
    EXPECT_FLOAT_EQ(target->parameter(0), 0.3125f);
    EXPECT_EQ(target->programName(), name);
    EXPECT_EQ(host::serializePreset(host::captureProgram(*target)), bytes);
}

TEST(Calyx2Host, BankPresetFileRoundTripsByteForByte) {
    REQUIRE_CALYX2();
    auto source = loadCalyx2();
    ASSERT_TRUE(source);
    source->setProgram(7);
    source->setParameter(68, 0.75f);
    source->setProgramName("Edited Seven");
    auto bytes = host::serializePreset(host::captureBank(*source));
    ASSERT_EQ(bytes.size(), 160u + 9600u);
    EXPECT_EQ(slice(bytes, 0, 32), bytesOf({'C', 'c', 'n', 'K', 0, 0, 0x26, 0x18, 'F', 'B', 'C', 'h', 0, 0, 0, 2, 'K',
                                            'Z', 'C', '2', 0, 0, 0, 1, 0, 0, 0, 32, 0, 0, 0, 7}));
    EXPECT_EQ(slice(bytes, 156, 4), bytesOf({0, 0, 0x25, 0x80}));

    auto target = loadCalyx2();
    ASSERT_TRUE(target);
    Preset parsed;
    std::string error;
    ASSERT_TRUE(host::parsePreset(bytes, parsed, error)) << error;
    ASSERT_TRUE(host::applyPreset(*target, parsed, error)) << error;
    EXPECT_EQ(target->program(), 7);
    EXPECT_EQ(target->programName(), "Edited Seven");
    EXPECT_FLOAT_EQ(target->parameter(68), 0.75f);
    EXPECT_EQ(host::serializePreset(host::captureBank(*target)), bytes);
}

TEST(Calyx2Host, TwoInstancesPlayWithTheirOwnTempo) {
    REQUIRE_CALYX2();
    auto slow = loadCalyx2();
    auto fast = loadCalyx2();
    ASSERT_TRUE(slow && fast);
    slow->setTempo(60.0);
    fast->setTempo(180.0);
    host::MidiMessage note;
    note.bytes[0] = 0x90;
    note.bytes[1] = 60;
    note.bytes[2] = 100;
    double peaks[2] = {0.0, 0.0};
    HostedPlugin* plugins[2] = {slow.get(), fast.get()};
    for (int i = 0; i < 2; ++i) {
        plugins[i]->resume();
        ASSERT_TRUE(plugins[i]->process(&note, 1, 256));
    }
    for (int block = 0; block < 40; ++block) {
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(plugins[i]->process({}, 256));
            for (int s = 0; s < 256; ++s) {
                float sample = plugins[i]->output(0)[s];
                ASSERT_TRUE(std::isfinite(sample));
                peaks[i] = std::max(peaks[i], double(std::fabs(sample)));
            }
        }
    }
    EXPECT_GT(peaks[0], 0.001);
    EXPECT_GT(peaks[1], 0.001);
}

}  // namespace
