// calyx2.clap against the CLAP contract as a host sees it: the entry and its factories, every
// extension's answers, the activation cycle at several rates and block sizes, and calls a careless
// host makes (process before activate, unknown ids, null pointers, the wrong window API).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "clap/NoteEvents.h"
#include "engine/ParameterIndex.h"
#include "host/ClapInstrument.h"
#include "host/HostedPlugin.h"
#include "plugin/ParameterTable.h"
#include "plugin/ProgramBank.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

const clap_plugin_entry_t* entryOfBinary() {
#ifdef _WIN32
    void* symbol = reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(CALYX2_CLAP_FILE), "clap_entry"));
#else
    void* symbol = dlsym(dlopen(CALYX2_CLAP_FILE, RTLD_NOW | RTLD_LOCAL), "clap_entry");
#endif
    return static_cast<const clap_plugin_entry_t*>(symbol);
}

std::unique_ptr<host::ClapInstrument> openClap() {
    std::string error;
    auto plugin = host::ClapInstrument::load(CALYX2_CLAP_FILE, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

class Conformance : public ::testing::Test {
protected:
    void SetUp() override {
        instrument = openClap();
        ASSERT_NE(instrument, nullptr);
        plugin = instrument->plugin();
        params = instrument->extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        ASSERT_NE(params, nullptr);
    }
    std::unique_ptr<host::ClapInstrument> instrument;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
};

TEST(Entry, OffersOneInstrumentAndItsPresetListThroughItsFactories) {
    const clap_plugin_entry_t* entry = entryOfBinary();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->clap_version.major, 1u);
    ASSERT_TRUE(entry->init(CALYX2_CLAP_FILE));
    EXPECT_EQ(entry->get_factory(nullptr), nullptr);
    EXPECT_EQ(entry->get_factory("clap.no-such-factory"), nullptr);
    EXPECT_NE(entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID), nullptr);
    EXPECT_EQ(entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID),
              entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT));

    const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->id, "com.tamberlow.calyx2");
    EXPECT_STREQ(descriptor->name, "Calyx2");
    EXPECT_STREQ(descriptor->vendor, "Tamberlow Global Entertainment");
    EXPECT_STREQ(descriptor->version, "2.0.0");
    std::vector<std::string> features;
    for (const char* const* feature = descriptor->features; *feature; ++feature) features.emplace_back(*feature);
    EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));

    clap_host_t host{};
    host.clap_version = kClapVersion;
    EXPECT_EQ(factory->create_plugin(factory, &host, "com.tamberlow.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, &host, nullptr), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, descriptor->id), nullptr);
    host.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &host, descriptor->id), nullptr);
    // A host without a single extension still gets a working instance.
    host.clap_version = kClapVersion;
    const clap_plugin_t* bare = factory->create_plugin(factory, &host, descriptor->id);
    ASSERT_NE(bare, nullptr);
    ASSERT_TRUE(bare->init(bare));
    EXPECT_TRUE(bare->activate(bare, 44100.0, 1, 256));
    bare->destroy(bare);  // still active: destroy deactivates
    entry->deinit();
}

TEST_F(Conformance, PortsLatencyAndUnknownExtensions) {
    EXPECT_EQ(plugin->get_extension(plugin, "clap.no-such-extension"), nullptr);
    EXPECT_EQ(plugin->get_extension(plugin, nullptr), nullptr);
    const auto* audio = instrument->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    const auto* notes = instrument->extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    const auto* latency = instrument->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
    ASSERT_TRUE(audio && notes && latency);
    EXPECT_EQ(audio->count(plugin, true), 0u);
    ASSERT_EQ(audio->count(plugin, false), 1u);
    clap_audio_port_info_t port{};
    ASSERT_TRUE(audio->get(plugin, 0, false, &port));
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
    EXPECT_EQ(port.flags, uint32_t{CLAP_AUDIO_PORT_IS_MAIN});
    EXPECT_EQ(port.in_place_pair, CLAP_INVALID_ID);
    EXPECT_FALSE(audio->get(plugin, 1, false, &port));
    EXPECT_FALSE(audio->get(plugin, 0, true, &port));
    EXPECT_FALSE(audio->get(plugin, 0, false, nullptr));

    EXPECT_EQ(notes->count(plugin, false), 0u);
    ASSERT_EQ(notes->count(plugin, true), 1u);
    clap_note_port_info_t notePort{};
    ASSERT_TRUE(notes->get(plugin, 0, true, &notePort));
    EXPECT_EQ(notePort.supported_dialects, uint32_t{CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI});
    EXPECT_EQ(notePort.preferred_dialect, uint32_t{CLAP_NOTE_DIALECT_CLAP});
    EXPECT_FALSE(notes->get(plugin, 1, true, &notePort));
    EXPECT_FALSE(notes->get(plugin, 0, true, nullptr));
    EXPECT_EQ(latency->get(plugin), 0u);
}

TEST_F(Conformance, ParametersDescribeTheTableWithFactoryProgramZeroAsDefault) {
    ASSERT_EQ(params->count(plugin), uint32_t{param::Count});
    ProgramBank factory;
    for (uint32_t i = 0; i < param::Count; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin, i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, kParameterTable[i].name);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, factory.program(0).values[i]) << i;
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_AUTOMATABLE) != 0, kParameterTable[i].automatable) << i;
        double value = -1.0;
        ASSERT_TRUE(params->get_value(plugin, i, &value));
        EXPECT_EQ(value, info.default_value);
    }
    clap_param_info_t info{};
    double value = 0.0;
    EXPECT_FALSE(params->get_info(plugin, param::Count, &info));
    EXPECT_FALSE(params->get_info(plugin, 0, nullptr));
    EXPECT_FALSE(params->get_value(plugin, param::Count, &value));
    EXPECT_FALSE(params->get_value(plugin, CLAP_INVALID_ID, &value));
    EXPECT_FALSE(params->get_value(plugin, 0, nullptr));
}

TEST_F(Conformance, ValuesTravelAsPlainNumbersThatReadBackExactly) {
    for (float value : {0.0f, 1.0f, 0.5f, 0.1f, 0.007874016f, 0.33333334f, 1e-7f}) {
        char text[32] = {};
        ASSERT_TRUE(params->value_to_text(plugin, 3, value, text, sizeof text)) << value;
        double back = -1.0;
        ASSERT_TRUE(params->text_to_value(plugin, 3, text, &back)) << text;
        EXPECT_EQ(static_cast<float>(back), value) << text;
    }
    char text[8] = {};
    EXPECT_TRUE(params->value_to_text(plugin, 0, 0.25, text, 5));
    EXPECT_STREQ(text, "0.25");
    EXPECT_FALSE(params->value_to_text(plugin, 0, 0.25, text, 4));  // no room for the terminator
    EXPECT_FALSE(params->value_to_text(plugin, 0, 0.25, nullptr, 8));
    EXPECT_FALSE(params->value_to_text(plugin, param::Count, 0.25, text, sizeof text));
    double value = -1.0;
    EXPECT_TRUE(params->text_to_value(plugin, 0, " 7 ", &value));
    EXPECT_EQ(value, 1.0);  // clamped to the range
    for (const char* bad : {"", "  ", "abc", "0.5x", "nan", "inf", "0,5"})
        EXPECT_FALSE(params->text_to_value(plugin, 0, bad, &value)) << bad;
    EXPECT_FALSE(params->text_to_value(plugin, 0, nullptr, &value));
    EXPECT_FALSE(params->text_to_value(plugin, 0, "0.5", nullptr));
    EXPECT_FALSE(params->text_to_value(plugin, param::Count, "0.5", &value));
}

TEST_F(Conformance, FlushOutsideProcessingAppliesChangesAndIgnoresStrangers) {
    instrument->setParameter(param::LVL4, 0.625f);
    EXPECT_EQ(instrument->parameter(param::LVL4), 0.625f);
    instrument->flushParameters();
    EXPECT_TRUE(instrument->outputEvents().empty());  // nothing was edited on the panel
    // Unknown ids and events of other spaces leave every value alone.
    clap_event_param_value_t stranger{};
    stranger.header = {sizeof stranger, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    stranger.param_id = param::Count;
    stranger.value = 0.5;
    clap_event_param_value_t otherSpace = stranger;
    otherSpace.header.space_id = 7;
    otherSpace.param_id = param::LVL4;
    std::vector<const clap_event_header_t*> list{&stranger.header, &otherSpace.header, nullptr};
    clap_input_events_t in{&list, [](const clap_input_events_t* l) {
                               return static_cast<uint32_t>(static_cast<decltype(list)*>(l->ctx)->size());
                           },
                           [](const clap_input_events_t* l, uint32_t i) { return (*static_cast<decltype(list)*>(l->ctx))[i]; }};
    params->flush(plugin, &in, nullptr);
    params->flush(plugin, nullptr, nullptr);
    EXPECT_EQ(instrument->parameter(param::LVL4), 0.625f);
}

struct Cycle {
    double sampleRate;
    uint32_t maxFrames;
};

class ActivationCycle : public Conformance, public ::testing::WithParamInterface<Cycle> {};

// Process before activation fails without touching the buffers; each activation takes the rate and
// largest block; blocks up to that size sound; deactivation makes process fail again.
TEST_P(ActivationCycle, ProcessesOnlyWhileActive) {
    const Cycle cycle = GetParam();
    std::vector<float> left(cycle.maxFrames, 7.0f), right(cycle.maxFrames, 7.0f);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t output{channels, nullptr, 2, 0, 0};
    clap_process_t block{};
    block.frames_count = cycle.maxFrames;
    block.audio_outputs = &output;
    block.audio_outputs_count = 1;
    EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_ERROR);
    EXPECT_EQ(left[0], 7.0f);
    EXPECT_EQ(plugin->process(plugin, nullptr), CLAP_PROCESS_ERROR);
    EXPECT_FALSE(plugin->start_processing(plugin));

    EXPECT_FALSE(plugin->activate(plugin, 0.0, 1, cycle.maxFrames));
    EXPECT_FALSE(plugin->activate(plugin, cycle.sampleRate, 1, 0));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(plugin->activate(plugin, cycle.sampleRate, 1, cycle.maxFrames));
        EXPECT_FALSE(plugin->activate(plugin, cycle.sampleRate, 1, cycle.maxFrames));  // already active
        EXPECT_TRUE(plugin->start_processing(plugin));
        // Without in_events, transport or out_events: silence, but a processed block.
        EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_CONTINUE);
        EXPECT_EQ(left[0], 0.0f);
        block.frames_count = 0;
        EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_CONTINUE);
        block.frames_count = cycle.maxFrames;
        clap_audio_buffer_t mono{channels, nullptr, 1, 0, 0};
        block.audio_outputs = &mono;
        EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_ERROR);
        block.audio_outputs_count = 0;
        EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_ERROR);
        block.audio_outputs = &output;
        block.audio_outputs_count = 1;
        plugin->reset(plugin);
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        plugin->deactivate(plugin);  // twice: nothing happens
        EXPECT_EQ(plugin->process(plugin, &block), CLAP_PROCESS_ERROR);
    }
    // Through the host library: a note at the rate and block size sounds.
    instrument->setSampleRate(static_cast<float>(cycle.sampleRate));
    instrument->setBlockSize(static_cast<int32_t>(cycle.maxFrames));
    instrument->resume();
    ASSERT_TRUE(instrument->isActive());
    host::MidiMessage note;
    note.bytes[0] = 0x90;
    note.bytes[1] = 60;
    note.bytes[2] = 100;
    float loudest = 0.0f;
    for (int blocks = 0; blocks * cycle.maxFrames < 4096; ++blocks) {
        ASSERT_TRUE(instrument->process(blocks == 0 ? std::vector<host::MidiMessage>{note} : std::vector<host::MidiMessage>{},
                                        static_cast<int32_t>(cycle.maxFrames)));
        for (uint32_t i = 0; i < cycle.maxFrames; ++i) loudest = std::max(loudest, std::fabs(instrument->output(0)[i]));
    }
    EXPECT_GT(loudest, 0.01f);
    instrument->suspend();
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, ActivationCycle,
                         ::testing::Values(Cycle{44100.0, 1}, Cycle{48000.0, 32}, Cycle{88200.0, 480},
                                           Cycle{96000.0, 4096}, Cycle{192000.0, 70000}));

TEST_F(Conformance, FactoryProgramsAreListedAndLoadByKey) {
    std::string error;
    auto vst = host::HostedPlugin::load(CALYX2_PLUGIN_FILE, error);
    ASSERT_NE(vst, nullptr) << error;
    ASSERT_EQ(instrument->numPrograms(), 32);
    for (int program = 0; program < 32; ++program) {
        std::string clapName, vstName;
        ASSERT_TRUE(instrument->programNameIndexed(program, clapName));
        ASSERT_TRUE(vst->programNameIndexed(program, vstName));
        EXPECT_EQ(clapName, vstName);
    }
    instrument->setProgram(13);
    vst->setProgram(13);
    for (int i = 0; i < param::Count; ++i) EXPECT_EQ(instrument->parameter(i), vst->parameter(i)) << i;
    EXPECT_GE(instrument->rescanRequests(), 1);  // the host is told the values moved

    const auto* presets = instrument->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    ASSERT_NE(presets, nullptr);
    EXPECT_EQ(presets, instrument->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD_COMPAT));
    for (const char* bad : {"32", "-1", "05", "", "x", "1 "})
        EXPECT_FALSE(presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, bad)) << bad;
    EXPECT_FALSE(presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, nullptr));
    EXPECT_FALSE(presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/5", "5"));
    EXPECT_FALSE(presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, "somewhere", "5"));
    EXPECT_EQ(instrument->parameter(0), vst->parameter(0));  // still program 13
}

TEST_F(Conformance, StateStreamsThatFailOrComeInDropsAreHandled) {
    const auto* state = instrument->extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    ASSERT_NE(state, nullptr);
    EXPECT_FALSE(state->save(plugin, nullptr));
    EXPECT_FALSE(state->load(plugin, nullptr));
    clap_ostream_t refusing{nullptr, [](const clap_ostream_t*, const void*, uint64_t) -> int64_t { return -1; }};
    EXPECT_FALSE(state->save(plugin, &refusing));
    clap_istream_t failing{nullptr, [](const clap_istream_t*, void*, uint64_t) -> int64_t { return -1; }};
    EXPECT_FALSE(state->load(plugin, &failing));

    // A writer that takes 7 bytes at a time and a reader that gives 5: the same 9600 bytes.
    std::vector<uint8_t> saved;
    clap_ostream_t trickle{&saved, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                               const auto* bytes = static_cast<const uint8_t*>(data);
                               const uint64_t taken = std::min<uint64_t>(size, 7);
                               static_cast<std::vector<uint8_t>*>(s->ctx)->insert(
                                   static_cast<std::vector<uint8_t>*>(s->ctx)->end(), bytes, bytes + taken);
                               return static_cast<int64_t>(taken);
                           }};
    instrument->setParameter(param::D_SPD, 0.875f);
    ASSERT_TRUE(state->save(plugin, &trickle));
    EXPECT_EQ(saved, instrument->saveState());
    auto other = openClap();
    ASSERT_NE(other, nullptr);
    struct Source {
        const std::vector<uint8_t>* bytes;
        size_t at;
    } source{&saved, 0};
    clap_istream_t drops{&source, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                             auto* from = static_cast<Source*>(s->ctx);
                             const size_t count = std::min<size_t>({static_cast<size_t>(size), 5, from->bytes->size() - from->at});
                             std::memcpy(data, from->bytes->data() + from->at, count);
                             from->at += count;
                             return static_cast<int64_t>(count);
                         }};
    const auto* otherState = other->extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    ASSERT_TRUE(otherState->load(other->plugin(), &drops));
    EXPECT_EQ(other->parameter(param::D_SPD), 0.875f);
}

TEST(NoteEvents, VelocityRoundsToTheNearestMidiStepAndNotesNeverVanish) {
    using calyx2clap::midiVelocity;
    EXPECT_EQ(midiVelocity(0.0, false), 0);
    EXPECT_EQ(midiVelocity(0.0, true), 1);  // a note-on stays a note-on
    EXPECT_EQ(midiVelocity(1.0, true), 127);
    EXPECT_EQ(midiVelocity(2.0, true), 127);
    EXPECT_EQ(midiVelocity(-1.0, false), 0);
    EXPECT_EQ(midiVelocity(std::nan(""), true), 1);
    EXPECT_EQ(midiVelocity(0.5, true), 64);                   // 63.5 rounds up
    EXPECT_EQ(midiVelocity(63.49 / 127.0, true), 63);
    for (int step = 1; step <= 127; ++step) EXPECT_EQ(midiVelocity(step / 127.0, true), step);
}

TEST(NoteEvents, WildcardsOtherSpacesAndShortEventsAreHandled) {
    calyx2clap::MidiBytes out[calyx2clap::kMostMessagesPerEvent];
    clap_event_note_t note{};
    note.header = {sizeof note, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_OFF, 0};
    note.key = -1;
    note.channel = -1;
    ASSERT_EQ(calyx2clap::midiForEvent(note.header, out), 128);
    EXPECT_EQ(out[127].status, 0x80);
    EXPECT_EQ(out[127].data1, 127);
    note.header.type = CLAP_EVENT_NOTE_ON;
    EXPECT_EQ(calyx2clap::midiForEvent(note.header, out), 0);  // a note-on must name its key
    note.key = 60;
    note.channel = 3;
    note.velocity = 1.0;
    ASSERT_EQ(calyx2clap::midiForEvent(note.header, out), 1);
    EXPECT_EQ(out[0].status, 0x93);
    note.header.type = CLAP_EVENT_NOTE_CHOKE;
    note.key = -1;
    ASSERT_EQ(calyx2clap::midiForEvent(note.header, out), 1);
    EXPECT_EQ(out[0].status, 0xB3);
    EXPECT_EQ(out[0].data1, 123);
    note.header.size = sizeof note - 1;
    EXPECT_EQ(calyx2clap::midiForEvent(note.header, out), 0);
    note.header.size = sizeof note;
    note.header.space_id = 3;
    EXPECT_EQ(calyx2clap::midiForEvent(note.header, out), 0);
    clap_event_midi_t midi{};
    midi.header = {sizeof midi, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    midi.data[0] = 0x40;  // running status is not ours to guess
    EXPECT_EQ(calyx2clap::midiForEvent(midi.header, out), 0);
}

}  // namespace
