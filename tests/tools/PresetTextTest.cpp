// The readable program form: exact round trips, errors by line, and conversion through a plug-in.
#include <gtest/gtest.h>

#include "RecordingPlugin.h"
#include "host/PresetState.h"
#include "tools/common/PresetText.h"

namespace {

using testplugin::RecordingPlugin;
using tools::PresetText;

std::unique_ptr<host::HostedPlugin> makeRecorder() {
    RecordingPlugin::configure({});
    std::string error;
    auto plugin = host::HostedPlugin::createFromEntry(testplugin::recordingPluginMain, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

std::string parseError(const std::string& source) {
    PresetText text;
    std::string error;
    EXPECT_FALSE(tools::parsePresetText(source, text, error)) << source;
    return error;
}

TEST(PresetText, FormatAndParseGiveBackNamesAndExactFloats) {
    PresetText original;
    original.pluginId = "KZC2";
    original.currentProgram = 3;
    const float awkward[] = {0.1f, 1.0f / 3.0f, 1.17549435e-38f, 0.99999994f, 0.7f, 0.0f};
    tools::TextProgram first;
    first.name = "Quote \" and \\ backslash";
    for (int i = 0; i < 6; ++i) first.values.push_back({"P" + std::to_string(i), awkward[i], 0});
    tools::TextProgram second;
    second.name = "  spaced  ";
    second.values.push_back({"12", 0.25, 0});
    original.programs = {first, second};

    PresetText parsed;
    std::string error;
    ASSERT_TRUE(tools::parsePresetText(tools::formatPresetText(original), parsed, error)) << error;
    EXPECT_EQ(parsed.pluginId, "KZC2");
    EXPECT_EQ(parsed.currentProgram, 3);
    ASSERT_EQ(parsed.programs.size(), 2u);
    EXPECT_EQ(parsed.programs[0].name, first.name);
    EXPECT_EQ(parsed.programs[1].name, "  spaced  ");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(parsed.programs[0].values[i].key, "P" + std::to_string(i));
        EXPECT_EQ(static_cast<float>(parsed.programs[0].values[i].value), awkward[i]) << i;
    }
    EXPECT_EQ(parsed.programs[1].values[0].key, "12");
}

TEST(PresetText, ErrorsNameTheLine) {
    EXPECT_EQ(parseError("# only a comment\nLVL1 = 0.5\n"), "line 2: a parameter before the first program line");
    EXPECT_EQ(parseError("program \"A\"\nLVL1 = half\n"), "line 2: 'LVL1' needs a number");
    EXPECT_EQ(parseError("program \"A\nLVL1 = 0.5\n"), "line 1: expected program \"NAME\"");
    EXPECT_EQ(parseError("program \"A\"\nvolume up\n"), "line 2: expected program, plugin, current or NAME = value");
    EXPECT_EQ(parseError("plugin \"TOOLONG\"\n"), "line 1: expected plugin \"ABCD\"");
    EXPECT_NE(parseError("\n# nothing\n").find("no program"), std::string::npos);
}

TEST(PresetText, BankThroughTextIntoAnotherInstance) {
    auto source = makeRecorder();
    source->setProgram(2);
    source->setParameter(0, 0.3f);
    source->setProgramName("Two, edited");
    source->setProgram(1);
    PresetText text = tools::presetTextFromPlugin(*source, true);
    EXPECT_EQ(source->program(), 1) << "reading the bank leaves the current program alone";
    EXPECT_EQ(text.pluginId, "TeSt");
    EXPECT_EQ(text.currentProgram, 1);
    ASSERT_EQ(text.programs.size(), size_t(testplugin::kPrograms));
    EXPECT_EQ(text.programs[2].values[0].key, "GAIN");

    PresetText parsed;
    std::string error;
    ASSERT_TRUE(tools::parsePresetText(tools::formatPresetText(text), parsed, error)) << error;
    auto target = makeRecorder();
    ASSERT_TRUE(tools::applyPresetText(*target, parsed, true, error)) << error;
    EXPECT_EQ(target->program(), 1);
    EXPECT_EQ(target->chunk(false), source->chunk(false));
}

TEST(PresetText, RefusesTextThatDoesNotFit) {
    auto plugin = makeRecorder();
    PresetText text;
    std::string error;
    ASSERT_TRUE(tools::parsePresetText("program \"A\"\nGAIN = 0.5\nVOLUME = 0.5\n", text, error));
    EXPECT_FALSE(tools::applyPresetText(*plugin, text, false, error));
    EXPECT_EQ(error.rfind("line 3: unknown parameter 'VOLUME'", 0), 0u) << error;

    ASSERT_TRUE(tools::parsePresetText("plugin \"KZC2\"\nprogram \"A\"\n", text, error));
    EXPECT_FALSE(tools::applyPresetText(*plugin, text, false, error));
    EXPECT_NE(error.find("'KZC2'"), std::string::npos) << error;

    ASSERT_TRUE(tools::parsePresetText("program \"A\"\nprogram \"B\"\n", text, error));
    EXPECT_FALSE(tools::applyPresetText(*plugin, text, false, error)) << "two programs into one .fxp";
}

}  // namespace
