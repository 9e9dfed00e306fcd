// The plug-in object built directly: what the binary interface cannot show.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "RecordingHost.h"
#include "plugin/Calyx2Plugin.h"
#include "plugin/FactoryBank.h"

namespace {
struct PluginFixture : ::testing::Test {
    RecordingHost host;
    std::unique_ptr<Calyx2Plugin> plugin{new Calyx2Plugin(RecordingHost::callback)};
};
}  // namespace

using PluginObject = PluginFixture;

TEST_F(PluginObject, StartsWithFactoryProgramZeroLive) {
    EXPECT_EQ(plugin->getProgram(), 0);
    for (int i = 0; i < param::Count; ++i) EXPECT_EQ(plugin->getParameter(i), kFactoryPrograms[0].settings[i].value);
    const AEffect* e = plugin->getAeffect();
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->uniqueID, 0x4B5A4332);
    EXPECT_EQ(e->flags & ~effFlagsHasEditor, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(plugin->getSampleRate(), 44100.0f);
    EXPECT_FALSE(plugin->hasWorkBuffers());
}

TEST_F(PluginObject, EqualValueShortCutSkipsTheEngineButAutomationStillReports) {
    const float stored = plugin->getParameter(param::A1);
    ASSERT_EQ(stored, 0.0f);
    // Poke a derived value: a recompute would overwrite it, the short-cut leaves it.
    plugin->getEngine().voice(0).env[1].attackRate = 123.0f;
    plugin->setParameter(param::A1, stored);
    EXPECT_EQ(plugin->getEngine().voice(0).env[1].attackRate, 123.0f);
    plugin->setParameterAutomated(param::A1, stored);
    EXPECT_EQ(plugin->getEngine().voice(0).env[1].attackRate, 123.0f);
    ASSERT_EQ(host.automation.size(), 1u);
    EXPECT_EQ(host.automation[0].index, param::A1);
    plugin->setParameter(param::A1, 0.5f);
    EXPECT_NE(plugin->getEngine().voice(0).env[1].attackRate, 123.0f);
}

TEST_F(PluginObject, LiveEditsStayOutOfTheBankUntilStored) {
    plugin->setParameter(0, 1.0f);
    EXPECT_EQ(plugin->getParameter(0), 1.0f);
    EXPECT_EQ(plugin->getBank().program(0).values[0], 0.0f);
}

TEST_F(PluginObject, ValuesAreStoredUnclampedAndOutOfRangeIndicesIgnored) {
    plugin->setParameter(param::D_FB, 1.5f);
    EXPECT_EQ(plugin->getParameter(param::D_FB), 1.5f);
    plugin->setParameter(69, 0.3f);
    plugin->setParameter(-1, 0.3f);
    plugin->setParameter(1000000, 0.3f);
    EXPECT_EQ(plugin->getParameter(69), 0.0f);
    EXPECT_EQ(plugin->getParameter(-1), 0.0f);
}

TEST_F(PluginObject, ResumeAllocatesForTheBlockSizeOfThatMoment) {
    plugin->setBlockSize(256);
    plugin->resume();
    EXPECT_EQ(plugin->workBufferFrames(), 256);
    EXPECT_EQ(host.wantMidiCalls, 1);
    plugin->setBlockSize(4096);
    EXPECT_EQ(plugin->workBufferFrames(), 256);
    plugin->suspend();
    EXPECT_FALSE(plugin->hasWorkBuffers());
    plugin->resume();
    EXPECT_EQ(plugin->workBufferFrames(), 4096);
}

TEST_F(PluginObject, SampleRateReachesEveryVoice) {
    plugin->setParameter(param::LFO_SPD, 0.5f);
    plugin->setSampleRate(22050.0f);
    for (int v = 0; v < SynthEngine::kVoiceCount; ++v) {
        EXPECT_EQ(plugin->getEngine().voice(v).sampleRate, 22050.0f);
        EXPECT_EQ(plugin->getEngine().voice(v).lfoInc, 7);
    }
}

TEST_F(PluginObject, IdentityTextsAreZeroFilledToTheirFields) {
    char name[40];
    std::memset(name, 'x', sizeof name);
    EXPECT_TRUE(plugin->getEffectName(name));
    EXPECT_STREQ(name, "Calyx2");
    for (int i = 6; i <= 32; ++i) EXPECT_EQ(name[i], 0) << i;
    EXPECT_EQ(name[33], 'x');
}

TEST_F(PluginObject, CanDoIsExactAndNeverZero) {
    char yes[] = "receiveVstTimeInfo", other[] = "ReceiveVstTimeInfo", empty[] = "", unknown[] = "sendVstEvents";
    EXPECT_EQ(plugin->canDo(yes), 1);
    EXPECT_EQ(plugin->canDo(other), -1);
    EXPECT_EQ(plugin->canDo(empty), -1);
    EXPECT_EQ(plugin->canDo(unknown), -1);
}

TEST_F(PluginObject, ProcessingBeforeResumeGivesSilence) {
    float left[64], right[64];
    std::fill(left, left + 64, 3.0f);
    std::fill(right, right + 64, 3.0f);
    float* outputs[] = {left, right};
    plugin->processReplacing(nullptr, outputs, 64);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(left[i] + right[i], 0.0f);
}
