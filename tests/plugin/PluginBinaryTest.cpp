// The built plug-in binary as a host sees it, loaded through the host library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "host/HostedPlugin.h"
#include "host/PluginModule.h"

namespace {
using host::HostedPlugin;

std::unique_ptr<HostedPlugin> loadPlugin(VstIntPtr hostVersion = kVstVersion) {
    std::string error;
    host::HostOptions options;
    options.hostVersion = hostVersion;
    auto plugin = HostedPlugin::load(CALYX2_PLUGIN_FILE, error, options);
    if (plugin) plugin->open();
    return plugin;
}

struct Binary : ::testing::Test {
    std::unique_ptr<HostedPlugin> plugin = loadPlugin();
    void SetUp() override { ASSERT_TRUE(plugin); }

    // Fills a buffer with a marker, runs the text opcode, and returns the bytes.
    std::string text(VstInt32 opcode, VstInt32 index, int bytes = 12) {
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        plugin->dispatch(opcode, index, 0, buffer);
        return std::string(buffer, bytes);
    }
};
}  // namespace

TEST_F(Binary, IdentityVersionsAndCategory) {
    const AEffect* e = plugin->effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, 0x4B5A4332);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, 69);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 305);  // editor, replacing, chunks, synth
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(plugin->effectName(), "Calyx2");
    EXPECT_EQ(plugin->vendorString(), "Tamberlow Global Entertainment");
    EXPECT_EQ(plugin->productString(), "KZ's Calyx2");
    EXPECT_EQ(plugin->vendorVersion(), 2000);
    EXPECT_EQ(plugin->vstVersion(), 2400);
    EXPECT_EQ(plugin->category(), kPlugCategSynth);
    EXPECT_EQ(plugin->dispatch(effGetCurrentMidiProgram), -1);
}

TEST_F(Binary, UnhandledOpcodesAndIdentify) {
    char scratch[256] = {};
    for (VstInt32 opcode : std::initializer_list<VstInt32>{effGetVu, 80, 1000, -1, effEditDraw, effIdle})
        EXPECT_EQ(plugin->dispatch(opcode, 3, 4, scratch, 1.0f), 0) << opcode;
    EXPECT_EQ(plugin->dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plugin->dispatch(effIdentify, 7, 99, scratch, 2.5f), 0x4E764566);
    EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
}

TEST_F(Binary, SpeakerArrangementAnswersNullThroughBothPointers) {
    int dummy;
    void* input = &dummy;
    void* output = &dummy;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(Binary, SetProgramHonoursItsBounds) {
    plugin->dispatch(effSetProgram, 0, 31);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 31);
    plugin->dispatch(effSetProgram, 0, 32);
    plugin->dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 31);
    EXPECT_EQ(plugin->programName(), "A Woody on the Trail");
}

TEST_F(Binary, CanDoIsCaseSensitive) {
    EXPECT_EQ(plugin->canDo("receiveVstEvents"), 1);
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(plugin->canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(plugin->canDo("receivevsttimeinfo"), -1);
    EXPECT_EQ(plugin->canDo(""), -1);
    EXPECT_EQ(plugin->canDo("sendVstMidiEvent"), -1);
}

TEST_F(Binary, ParameterTextsFillNineBytes) {
    EXPECT_EQ(text(effGetParamName, 0), std::string("LVL1\0\0\0\0\0###", 12));
    EXPECT_EQ(text(effGetParamName, 48), std::string("LVLm\0\0\0\0\0###", 12));
    EXPECT_EQ(text(effGetParamName, 58), std::string("LFO_SPD\0\0###", 12));
    EXPECT_EQ(text(effGetParamName, 68), std::string("D_FB\0\0\0\0\0###", 12));
    EXPECT_EQ(text(effGetParamName, 69), std::string(12, '#'));
    EXPECT_EQ(text(effGetParamName, -1), std::string(12, '#'));
    for (int index : {0, 68, 500}) {
        EXPECT_EQ(text(effGetParamLabel, index), std::string("yum\0\0\0\0\0\0###", 12));
        EXPECT_EQ(text(effGetParamDisplay, index), std::string("100\0\0\0\0\0\0###", 12));
    }
    plugin->setParameter(0, 0.9f);
    EXPECT_EQ(text(effGetParamDisplay, 0), std::string("100\0\0\0\0\0\0###", 12));
}

TEST_F(Binary, AutomatableSet) {
    for (int index : {0, 10, 56, 60}) EXPECT_TRUE(plugin->canBeAutomated(index)) << index;
    for (int index : {1, 11, 49, 57, 61, 68, 69, -1}) EXPECT_FALSE(plugin->canBeAutomated(index)) << index;
}

TEST_F(Binary, ParameterValuesAreStoredAsSentAndBoundsAreSafe) {
    plugin->setParameter(5, 1.5f);
    EXPECT_EQ(plugin->parameter(5), 1.5f);
    AEffect* e = plugin->effect();
    e->setParameter(e, 69, 0.5f);
    e->setParameter(e, -7, 0.5f);
    EXPECT_EQ(e->getParameter(e, 69), 0.0f);
    EXPECT_EQ(e->getParameter(e, -7), 0.0f);
}

TEST_F(Binary, AccumulatingProcessLeavesOutputsAlone) {
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(64);
    plugin->resume();
    float left[64], right[64];
    std::fill(left, left + 64, 0.25f);
    std::fill(right, right + 64, -0.25f);
    float* outputs[] = {left, right};
    AEffect* e = plugin->effect();
    e->process(e, nullptr, outputs, 64);
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(left[i] == 0.25f && right[i] == -0.25f);
}

TEST_F(Binary, PlaysANoteAndAsksForMidiOnResume) {
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);
    plugin->setTempo(120.0);
    plugin->resume();
    EXPECT_GE(plugin->wantMidiRequests(), 1);
    host::MidiMessage on;
    on.deltaFrames = 10;
    on.bytes[0] = 0x90;
    on.bytes[1] = 60;
    on.bytes[2] = 100;
    ASSERT_TRUE(plugin->process(&on, 1, 512));
    float peak = 0.0f;
    for (int i = 0; i < 512; ++i) peak = std::max(peak, std::fabs(plugin->output(0)[i]));
    EXPECT_GT(peak, 0.01f);
    EXPECT_EQ(plugin->output(0)[0], 0.0f);
    EXPECT_GE(plugin->timeInfoRequests(), 1);
}

TEST_F(Binary, ChunksRoundTripThroughTheDispatcher) {
    plugin->setParameter(3, 0.375f);
    const std::vector<uint8_t> program = plugin->chunk(true);
    const std::vector<uint8_t> bank = plugin->chunk(false);
    ASSERT_EQ(program.size(), 276u);
    ASSERT_EQ(bank.size(), 9600u);
    plugin->setParameter(3, 0.0f);
    EXPECT_EQ(plugin->setChunk(program, true), 276);
    EXPECT_EQ(plugin->parameter(3), 0.375f);
    EXPECT_EQ(plugin->setChunk(bank, false), 9600);
    EXPECT_EQ(plugin->chunk(false), bank);
    const int displays = plugin->updateDisplayRequests();
    EXPECT_EQ(plugin->setChunk(program, false), 0);  // a program's worth offered as a bank
    EXPECT_EQ(plugin->updateDisplayRequests(), displays + 1);
}

TEST_F(Binary, IndexedProgramNamesAndTheirBounds) {
    std::string name;
    EXPECT_TRUE(plugin->programNameIndexed(3, name));
    EXPECT_EQ(name, "Wanna play my flute baby");
    EXPECT_TRUE(plugin->programNameIndexed(13, name));
    EXPECT_EQ(name, "Bright Bells of Bellitud");
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 32, 0, buffer), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST(BinaryEntry, HostWithoutAVersionGetsNoInstance) {
    std::string error;
    host::HostOptions options;
    options.hostVersion = 0;
    EXPECT_FALSE(HostedPlugin::load(CALYX2_PLUGIN_FILE, error, options));
}

namespace {
VstIntPtr VSTCALLBACK bareHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}
}  // namespace

TEST(BinaryEntry, BothEntryNamesCreateInstancesAndCloseReturnsOne) {
    std::string error;
    auto module = host::PluginModule::load(CALYX2_PLUGIN_FILE, error);
    ASSERT_TRUE(module) << error;
    EXPECT_STREQ(module->entryName(), "VSTPluginMain");
    for (int i = 0; i < 3; ++i) {
        AEffect* e = module->entry()(bareHost);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    }
    EXPECT_EQ(module->entry()(nullptr), nullptr);  // no host callback: nothing to talk to
}
