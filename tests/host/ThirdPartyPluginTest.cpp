// The host library against third-party VST 2.4 plug-ins from Debian's dpf-plugins-vst package:
// Kars, a synthesiser that exports only the old "main" entry point, and 3 Band EQ, an effect with inputs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

#include "host/HostedPlugin.h"

namespace {

using host::HostedPlugin;

#ifndef _WIN32
std::string thirdPartyPlugin(const char* file) {
    std::string path = std::string(THIRD_PARTY_PLUGIN_DIR) + "/" + file;
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? path : std::string();
}
#endif

#ifdef _WIN32
#define REQUIRE_THIRD_PARTY(path, file) \
    std::string path;                   \
    GTEST_SKIP() << "the third-party plug-ins are Linux binaries"
#else
#define REQUIRE_THIRD_PARTY(path, file)                                                                      \
    std::string path = thirdPartyPlugin(file);                                                               \
    if (path.empty()) GTEST_SKIP() << THIRD_PARTY_PLUGIN_DIR "/" file                                        \
                                   " is missing: install Debian's dpf-plugins-vst to run this test"
#endif

std::unique_ptr<HostedPlugin> startPlugin(const std::string& path, int blockSize) {
    std::string error;
    auto plugin = HostedPlugin::load(path, error);
    EXPECT_TRUE(plugin) << error;
    if (!plugin) return nullptr;
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(blockSize);
    plugin->setTempo(120.0);
    plugin->resume();
    return plugin;
}

double peakOf(HostedPlugin& plugin, int frames) {
    double peak = 0.0;
    for (int channel = 0; channel < plugin.numOutputs(); ++channel) {
        for (int i = 0; i < frames; ++i) {
            float sample = plugin.output(channel)[i];
            EXPECT_TRUE(std::isfinite(sample));
            peak = std::max(peak, std::fabs(double(sample)));
        }
    }
    return peak;
}

TEST(ThirdPartyPlugin, SynthesiserIdentityNamesAndSound) {
    REQUIRE_THIRD_PARTY(path, "Kars-vst.so");
    auto plugin = startPlugin(path, 256);
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->effect()->magic, kEffectMagic);
    EXPECT_TRUE(plugin->hasFlag(effFlagsIsSynth));
    EXPECT_GE(plugin->numOutputs(), 1);
    EXPECT_FALSE(plugin->effectName().empty());
    EXPECT_FALSE(plugin->vendorString().empty());
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), 1);
    ASSERT_GT(plugin->numParameters(), 0);
    for (int index = 0; index < plugin->numParameters(); ++index) {
        EXPECT_FALSE(plugin->parameterName(index).empty()) << "parameter " << index;
        float value = plugin->parameter(index);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << "parameter " << index << " = " << value;
    }

    ASSERT_TRUE(plugin->process({}, 256));
    EXPECT_EQ(peakOf(*plugin, 256), 0.0) << "silent before any note";
    host::MidiMessage note;
    note.deltaFrames = 10;
    note.bytes[0] = 0x90;
    note.bytes[1] = 57;
    note.bytes[2] = 110;
    double peak = 0.0;
    ASSERT_TRUE(plugin->process(&note, 1, 256));
    peak = std::max(peak, peakOf(*plugin, 256));
    for (int block = 0; block < 20; ++block) {
        ASSERT_TRUE(plugin->process({}, 256));
        peak = std::max(peak, peakOf(*plugin, 256));
    }
    EXPECT_GT(peak, 0.01) << "a note sounds";
    plugin->suspend();
    plugin->close();
    EXPECT_FALSE(plugin->isOpen());
}

TEST(ThirdPartyPlugin, SeveralInstancesOfDifferentBinariesAtOnce) {
    REQUIRE_THIRD_PARTY(synthPath, "Kars-vst.so");
    REQUIRE_THIRD_PARTY(effectPath, "3BandEQ-vst.so");
    auto first = startPlugin(synthPath, 128);
    auto second = startPlugin(synthPath, 64);
    auto effect = startPlugin(effectPath, 128);
    ASSERT_TRUE(first && second && effect);
    EXPECT_GT(effect->numInputs(), 0);
    for (int i = 0; i < 128; ++i) {
        for (int channel = 0; channel < effect->numInputs(); ++channel) effect->input(channel)[i] = 0.25f;
    }
    for (int block = 0; block < 50; ++block) {
        ASSERT_TRUE(first->process({}, 128));
        ASSERT_TRUE(second->process({}, 64));
        ASSERT_TRUE(effect->process({}, 128));
    }
    EXPECT_GT(peakOf(*effect, 128), 0.05) << "the equaliser passes its input through";
    second.reset();
    ASSERT_TRUE(first->process({}, 128));
}

}  // namespace
