// Presets into and out of a plug-in, with chunks and with parameter lists.
#include <gtest/gtest.h>

#include "RecordingPlugin.h"
#include "host/PresetState.h"

namespace {

using host::HostedPlugin;
using host::Preset;
using testplugin::RecordingPlugin;

std::unique_ptr<HostedPlugin> makePlugin(bool programChunks) {
    testplugin::Settings settings;
    settings.programChunks = programChunks;
    RecordingPlugin::configure(settings);
    std::string error;
    auto plugin = HostedPlugin::createFromEntry(testplugin::recordingPluginMain, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

class PresetState : public testing::TestWithParam<bool> {};

TEST_P(PresetState, ProgramComesBackIntoTheCurrentProgram) {
    auto plugin = makePlugin(GetParam());
    plugin->setProgram(1);
    plugin->setParameter(0, 0.125f);
    plugin->setProgramName("Keeper");
    Preset saved = host::captureProgram(*plugin);
    EXPECT_EQ(saved.opaque, GetParam());
    EXPECT_EQ(saved.name, "Keeper");

    plugin->setProgram(3);
    std::string error;
    ASSERT_TRUE(host::applyPreset(*plugin, saved, error)) << error;
    EXPECT_EQ(plugin->program(), 3) << "a program preset lands in the current program";
    EXPECT_FLOAT_EQ(plugin->parameter(0), 0.125f);
    EXPECT_EQ(plugin->programName(), "Keeper");
}

TEST_P(PresetState, BankRestoresEveryProgramAndTheCurrentOne) {
    auto plugin = makePlugin(GetParam());
    plugin->setProgram(2);
    plugin->setParameter(2, 0.875f);
    Preset saved = host::captureBank(*plugin);
    EXPECT_EQ(plugin->program(), 2) << "capturing does not leave another program selected";
    EXPECT_EQ(saved.currentProgram, 2);

    for (int p = 0; p < testplugin::kPrograms; ++p) {
        plugin->setProgram(p);
        plugin->setParameter(2, 0.0f);
        plugin->setProgramName("scratch");
    }
    std::string error;
    ASSERT_TRUE(host::applyPreset(*plugin, saved, error)) << error;
    EXPECT_EQ(plugin->program(), 2);
    EXPECT_FLOAT_EQ(plugin->parameter(2), 0.875f);
    plugin->setProgram(3);
    EXPECT_EQ(plugin->programName(), "Program 3");
    EXPECT_FLOAT_EQ(plugin->parameter(2), 0.1f * 5);
}

INSTANTIATE_TEST_SUITE_P(ChunksAndParameters, PresetState, testing::Bool());

TEST(PresetStateErrors, ForeignMismatchedAndRejectedPresetsAreReported) {
    auto plugin = makePlugin(true);
    std::string error;

    Preset foreign = host::captureProgram(*plugin);
    foreign.pluginId = 0x4B5A4332;
    EXPECT_FALSE(host::applyPreset(*plugin, foreign, error));
    EXPECT_NE(error.find("'KZC2'"), std::string::npos) << error;
    EXPECT_NE(error.find("'TeSt'"), std::string::npos) << error;

    Preset damaged = host::captureProgram(*plugin);
    damaged.chunk.resize(5);
    plugin->clearRecords();
    EXPECT_FALSE(host::applyPreset(*plugin, damaged, error));
    EXPECT_NE(error.find("rejected"), std::string::npos) << error;
    EXPECT_EQ(plugin->updateDisplayRequests(), 1);

    auto parameterPlugin = makePlugin(false);
    EXPECT_FALSE(host::applyPreset(*parameterPlugin, host::captureBank(*plugin), error));
    EXPECT_NE(error.find("does not take chunks"), std::string::npos) << error;

    Preset shortProgram = host::captureProgram(*parameterPlugin);
    shortProgram.parameters.pop_back();
    EXPECT_FALSE(host::applyPreset(*parameterPlugin, shortProgram, error));
    EXPECT_NE(error.find("2 parameters"), std::string::npos) << error;
}

}  // namespace
