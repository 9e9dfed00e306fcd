// The host library against the recording plug-in: the protocol it follows, what it answers on the
// callback, how it delivers events, and several instances living side by side.
#include <gtest/gtest.h>

#include "RecordingPlugin.h"
#include "host/HostedPlugin.h"

namespace {

using host::HostedPlugin;
using host::MidiMessage;
using testplugin::RecordingPlugin;

std::unique_ptr<HostedPlugin> makePlugin(const testplugin::Settings& settings = {}, const host::HostOptions& options = {}) {
    RecordingPlugin::configure(settings);
    std::string error;
    auto plugin = HostedPlugin::createFromEntry(testplugin::recordingPluginMain, error, options);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

RecordingPlugin& recorder(HostedPlugin& plugin) { return *RecordingPlugin::from(plugin.effect()); }

MidiMessage message(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2) {
    MidiMessage m;
    m.deltaFrames = offset;
    m.bytes[0] = status;
    m.bytes[1] = data1;
    m.bytes[2] = data2;
    return m;
}

TEST(HostedPlugin, FollowsTheSequencerProtocolAndClosesOnDestruction) {
    auto plugin = makePlugin();
    int before = RecordingPlugin::liveInstances();
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(64);
    plugin->resume();
    ASSERT_TRUE(plugin->process({}, 64));
    ASSERT_TRUE(plugin->process({}, 10));
    std::vector<std::string> expected = {"open", "sampleRate 48000", "blockSize 64", "resume", "process 64",
                                         "process 10"};
    EXPECT_EQ(recorder(*plugin).calls, expected);
    EXPECT_EQ(plugin->wantMidiRequests(), 1);
    plugin.reset();  // suspends first, then closes
    EXPECT_EQ(RecordingPlugin::liveInstances(), before - 1);
}

TEST(HostedPlugin, VersionAnswerDecidesWhetherThePluginStarts) {
    auto plugin = makePlugin();  // the entry point asked with a null record and was answered
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), kVstVersion);

    RecordingPlugin::configure({});
    host::HostOptions refusing;
    refusing.hostVersion = 0;
    std::string error;
    int before = RecordingPlugin::liveInstances();
    EXPECT_FALSE(HostedPlugin::createFromEntry(testplugin::recordingPluginMain, error, refusing));
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
    EXPECT_EQ(RecordingPlugin::liveInstances(), before);
}

TEST(HostedPlugin, DeliversEventsAtTheirFramesAndRefusesBadBlocks) {
    auto plugin = makePlugin();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(32);
    EXPECT_FALSE(plugin->process({}, 16)) << "processing before resume";
    plugin->resume();
    ASSERT_TRUE(plugin->process({message(0, 0x90, 60, 100), message(31, 0x80, 60, 0)}, 32));
    ASSERT_TRUE(plugin->process({message(5, 0xB0, 1, 64), message(5, 0xE0, 0, 0x50)}, 32));
    EXPECT_FALSE(plugin->process({}, 33)) << "a block longer than the block size";
    EXPECT_FALSE(plugin->process({message(20, 0x90, 1, 1)}, 20)) << "an event past the block";
    EXPECT_FALSE(plugin->process({message(-1, 0x90, 1, 1)}, 20)) << "an event before the block";
    EXPECT_FALSE(plugin->process({message(9, 0x90, 1, 1), message(3, 0x90, 2, 1)}, 20)) << "events out of order";

    const auto& events = recorder(*plugin).events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].sample, 0);
    EXPECT_EQ(events[1].sample, 31);
    EXPECT_EQ(events[2].sample, 37);
    EXPECT_EQ(events[3].sample, 37);
    EXPECT_EQ(events[3].bytes[0], 0xE0);
    EXPECT_EQ(events[3].bytes[2], 0x50);
    EXPECT_EQ(recorder(*plugin).blockLengths, (std::vector<int32_t>{32, 32}));
    EXPECT_FLOAT_EQ(plugin->output(0)[0], 100.0f / 127.0f * testplugin::kDecay) << "the output of the last block";
}

TEST(HostedPlugin, ManyEventsInOneBlockAllArrive) {
    auto plugin = makePlugin();
    plugin->setBlockSize(512);
    plugin->resume();
    std::vector<MidiMessage> messages;
    for (int i = 0; i < 300; ++i) messages.push_back(message(i, 0xB0, 7, static_cast<uint8_t>(i & 0x7F)));
    ASSERT_TRUE(plugin->process(messages, 512));
    ASSERT_EQ(recorder(*plugin).events.size(), 300u);
    EXPECT_EQ(recorder(*plugin).events[299].sample, 299);
}

TEST(HostedPlugin, ServesTimeOnlyWithATempoAndTracksPosition) {
    auto plugin = makePlugin();
    plugin->setBlockSize(100);
    plugin->resume();
    plugin->process({}, 100);
    plugin->setTempo(93.5);
    plugin->process({}, 100);
    plugin->clearTempo();
    plugin->process({}, 50);
    EXPECT_EQ(recorder(*plugin).blockTempi, (std::vector<double>{0.0, 93.5, 0.0}));
    EXPECT_EQ(plugin->timeInfoRequests(), 3);
    EXPECT_EQ(plugin->samplePosition(), 250);

    plugin->setTempo(120.0);
    plugin->process({}, 50);
    const VstTimeInfo& time = recorder(*plugin).lastTime;
    EXPECT_EQ(time.samplePos, 250.0) << "the position at the start of the block";
    EXPECT_EQ(time.tempo, 120.0);
    EXPECT_TRUE(time.flags & kVstTempoValid);
    EXPECT_TRUE(time.flags & kVstTransportPlaying);
}

TEST(HostedPlugin, RecordsAutomationUpdateDisplayAndWantMidi) {
    auto plugin = makePlugin();
    plugin->resume();
    recorder(*plugin).editorEdit(0, 0.25f);
    recorder(*plugin).editorEdit(2, 1.0f);
    auto records = plugin->automationRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].index, 2);
    EXPECT_FLOAT_EQ(records[1].value, 1.0f);
    EXPECT_EQ(plugin->wantMidiRequests(), 1);

    EXPECT_EQ(plugin->setChunk(std::vector<uint8_t>(5, 0), true), 0);
    EXPECT_EQ(plugin->updateDisplayRequests(), 1);
    plugin->clearRecords();
    EXPECT_TRUE(plugin->automationRecords().empty());
    EXPECT_EQ(plugin->updateDisplayRequests(), 0);
}

TEST(HostedPlugin, InstancesKeepTheirOwnHostState) {
    auto first = makePlugin();
    auto second = makePlugin();
    first->setTempo(100.0);
    second->setTempo(140.0);
    for (auto* plugin : {first.get(), second.get()}) {
        plugin->setBlockSize(16);
        plugin->resume();
        plugin->process({}, 16);
    }
    recorder(*second).editorEdit(1, 0.5f);
    EXPECT_EQ(recorder(*first).blockTempi, std::vector<double>{100.0});
    EXPECT_EQ(recorder(*second).blockTempi, std::vector<double>{140.0});
    EXPECT_TRUE(first->automationRecords().empty());
    EXPECT_EQ(second->automationRecords().size(), 1u);
    first.reset();
    second->process({}, 16);  // the survivor still reaches its own host state
    EXPECT_EQ(recorder(*second).blockTempi.back(), 140.0);
}

TEST(HostedPlugin, ParametersNamesProgramsAndChunks) {
    auto plugin = makePlugin();
    EXPECT_EQ(plugin->uniqueId(), testplugin::kUniqueId);
    EXPECT_EQ(plugin->effectName(), "Recorder");
    EXPECT_EQ(plugin->vendorString(), "Test Vendor");
    EXPECT_EQ(plugin->productString(), "Test Recorder");
    EXPECT_EQ(plugin->vendorVersion(), 7);
    EXPECT_EQ(plugin->category(), kPlugCategSynth);
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(plugin->canDo("offline"), -1);

    plugin->setParameter(1, 0.75f);
    EXPECT_FLOAT_EQ(plugin->parameter(1), 0.75f);
    EXPECT_EQ(plugin->parameterName(1), "TONE");
    EXPECT_EQ(plugin->parameterLabel(1), "dB");
    EXPECT_EQ(plugin->parameterDisplay(1), "0.75");
    EXPECT_TRUE(plugin->canBeAutomated(0));
    EXPECT_FALSE(plugin->canBeAutomated(1));
    plugin->setParameter(3, 0.5f);  // out of range: never reaches the plug-in
    plugin->setParameter(-1, 0.5f);
    EXPECT_EQ(plugin->parameter(3), 0.0f);

    plugin->setProgram(2);
    EXPECT_EQ(plugin->program(), 2);
    plugin->setProgramName("Renamed");
    EXPECT_EQ(plugin->programName(), "Renamed");
    std::string name;
    EXPECT_TRUE(plugin->programNameIndexed(3, name));
    EXPECT_EQ(name, "Program 3");
    EXPECT_FALSE(plugin->programNameIndexed(9, name));

    auto bank = plugin->chunk(false);
    ASSERT_EQ(bank.size(), size_t(testplugin::kBankChunkSize));
    plugin->setProgramName("Changed");
    EXPECT_EQ(plugin->setChunk(bank, false), testplugin::kBankChunkSize);
    EXPECT_EQ(plugin->programName(), "Renamed");
    EXPECT_EQ(plugin->chunk(true).size(), size_t(testplugin::kProgramChunkSize));
    ERect rect{};
    EXPECT_FALSE(plugin->editorRect(rect)) << "no editor flag";
}

}  // namespace
