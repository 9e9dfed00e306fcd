// The same performance through calyx2.so (VST 2.4) and calyx2.clap gives the same samples, bit for
// bit, and the state one format saves loads in the other byte for byte.
//
// A performance is a list of timed changes: notes, bend, wheel, controllers and parameter values.
// The CLAP side gets each block's changes as one event list (parameter changes inside the block,
// notes as CLAP note events or raw MIDI). The VST 2.4 side gets what a VST 2.4 host can give: the
// block cut at every parameter change, setParameter between the pieces, each piece's MIDI with
// offsets from the piece's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/ParameterIndex.h"
#include "host/ClapInstrument.h"
#include "host/HostedPlugin.h"

namespace {

struct Change {
    int32_t frame = 0;
    bool isParameter = false;
    int index = 0;
    float value = 0.0f;
    uint8_t bytes[3] = {0, 0, 0};
    bool asClapNote = false;  // a note sent as a CLAP note event rather than MIDI
};

struct Performance {
    float sampleRate = 44100.0f;
    int32_t blockSize = 512;
    int32_t frames = 0;
    double tempo = 120.0;  // 0: the host has no transport
    int program = 0;
    std::vector<Change> changes;  // ordered by frame
};

using Stereo = std::vector<float>;  // left then right, frames each

std::unique_ptr<host::HostedPlugin> openVst() {
    std::string error;
    auto plugin = host::HostedPlugin::load(CALYX2_PLUGIN_FILE, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

std::unique_ptr<host::ClapInstrument> openClap() {
    std::string error;
    auto plugin = host::ClapInstrument::load(CALYX2_CLAP_FILE, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

template <typename Plugin>
void prepare(Plugin& plugin, const Performance& performance) {
    plugin.open();
    plugin.setSampleRate(performance.sampleRate);
    plugin.setBlockSize(performance.blockSize);
    plugin.setProgram(performance.program);
    if (performance.tempo > 0.0) plugin.setTempo(performance.tempo);
    plugin.resume();
}

void keep(const host::Instrument& plugin, Stereo& out, int32_t frames, int32_t at, int32_t count) {
    for (int channel = 0; channel < 2; ++channel)
        std::copy(plugin.output(channel), plugin.output(channel) + count,
                  out.begin() + channel * frames + at);
}

// A parameter change at frame t cuts the block there; MIDI goes with the piece its frame is in.
Stereo renderVst(const Performance& performance) {
    auto plugin = openVst();
    Stereo out(2 * static_cast<size_t>(performance.frames));
    if (!plugin) return out;
    prepare(*plugin, performance);
    size_t next = 0;
    for (int32_t start = 0; start < performance.frames; start += performance.blockSize) {
        const int32_t length = std::min(performance.blockSize, performance.frames - start);
        size_t end = next;
        while (end < performance.changes.size() && performance.changes[end].frame < start + length) ++end;
        std::vector<int32_t> cuts{0, length};
        for (size_t i = next; i < end; ++i)
            if (performance.changes[i].isParameter) cuts.push_back(performance.changes[i].frame - start);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        for (size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
            std::vector<host::MidiMessage> midi;
            for (size_t i = next; i < end; ++i) {
                const Change& change = performance.changes[i];
                const int32_t offset = change.frame - start;
                if (offset < cuts[piece] || offset >= cuts[piece + 1]) continue;
                if (change.isParameter) {
                    plugin->setParameter(change.index, change.value);
                } else {
                    host::MidiMessage message;
                    message.deltaFrames = offset - cuts[piece];
                    std::memcpy(message.bytes, change.bytes, 3);
                    midi.push_back(message);
                }
            }
            EXPECT_TRUE(plugin->process(midi, cuts[piece + 1] - cuts[piece]));
            keep(*plugin, out, performance.frames, start + cuts[piece], cuts[piece + 1] - cuts[piece]);
        }
        next = end;
    }
    return out;
}

Stereo renderClap(const Performance& performance) {
    auto plugin = openClap();
    Stereo out(2 * static_cast<size_t>(performance.frames));
    if (!plugin) return out;
    prepare(*plugin, performance);
    size_t next = 0;
    union Slot {
        clap_event_header_t header;
        clap_event_note_t note;
        clap_event_midi_t midi;
        clap_event_param_value_t value;
    };
    std::vector<Slot> slots(performance.changes.size());
    for (int32_t start = 0; start < performance.frames; start += performance.blockSize) {
        const int32_t length = std::min(performance.blockSize, performance.frames - start);
        std::vector<const clap_event_header_t*> events;
        for (; next < performance.changes.size() && performance.changes[next].frame < start + length; ++next) {
            const Change& change = performance.changes[next];
            Slot& slot = slots[next];
            std::memset(&slot, 0, sizeof slot);
            const uint32_t time = static_cast<uint32_t>(change.frame - start);
            const uint8_t kind = change.bytes[0] & 0xF0;
            if (change.isParameter) {
                slot.value.header = {sizeof slot.value, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
                slot.value.param_id = static_cast<clap_id>(change.index);
                slot.value.note_id = slot.value.port_index = slot.value.channel = slot.value.key = -1;
                slot.value.value = change.value;
            } else if (change.asClapNote && (kind == 0x80 || kind == 0x90)) {
                const bool on = kind == 0x90 && change.bytes[2] != 0;
                slot.note.header = {sizeof slot.note, time, CLAP_CORE_EVENT_SPACE_ID,
                                    static_cast<uint16_t>(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), 0};
                slot.note.note_id = -1;
                slot.note.channel = static_cast<int16_t>(change.bytes[0] & 0x0F);
                slot.note.key = change.bytes[1];
                slot.note.velocity = change.bytes[2] / 127.0;
            } else {
                slot.midi.header = {sizeof slot.midi, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
                std::memcpy(slot.midi.data, change.bytes, 3);
            }
            events.push_back(&slot.header);
        }
        EXPECT_TRUE(plugin->processEvents(events, length));
        keep(*plugin, out, performance.frames, start, length);
    }
    return out;
}

Change midi(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2, bool asClapNote = false) {
    Change change;
    change.frame = frame;
    change.bytes[0] = status;
    change.bytes[1] = data1;
    change.bytes[2] = data2;
    change.asClapNote = asClapNote;
    return change;
}

Change parameter(int32_t frame, int index, float value) {
    Change change;
    change.frame = frame;
    change.isParameter = true;
    change.index = index;
    change.value = value;
    return change;
}

void sortByFrame(Performance& performance) {
    std::stable_sort(performance.changes.begin(), performance.changes.end(),
                     [](const Change& a, const Change& b) { return a.frame < b.frame; });
}

// Notes (as CLAP notes or MIDI, velocity 0 as a note-off now and then), bend, wheel, the
// all-notes-off controllers, program-irrelevant controllers and parameter values anywhere.
Performance randomPerformance(unsigned seed, float sampleRate, int32_t blockSize) {
    std::mt19937 random(seed);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    Performance performance;
    performance.sampleRate = sampleRate;
    performance.blockSize = blockSize;
    performance.frames = 6000 + below(4000);
    performance.tempo = seed % 3 == 0 ? 0.0 : 60.0 + below(120);
    performance.program = below(32);
    std::vector<int> held;
    for (int i = 0; i < 60; ++i) {
        const int32_t frame = below(performance.frames);
        const bool clapNote = below(2) == 0;
        switch (below(8)) {
            case 0:
            case 1: {
                const int key = 36 + below(60);
                held.push_back(key);
                performance.changes.push_back(midi(frame, 0x90 | below(16), key, 1 + below(127), clapNote));
                break;
            }
            case 2:
                if (!held.empty()) {
                    const size_t which = static_cast<size_t>(below(static_cast<int>(held.size())));
                    const bool viaZeroVelocity = below(3) == 0;
                    performance.changes.push_back(midi(frame, viaZeroVelocity ? 0x90 : 0x80, held[which],
                                                       viaZeroVelocity ? 0 : below(128), clapNote));
                    held.erase(held.begin() + static_cast<long>(which));
                }
                break;
            case 3: performance.changes.push_back(midi(frame, 0xE0, below(128), below(128))); break;
            case 4: performance.changes.push_back(midi(frame, 0xB0, 1, below(128))); break;
            case 5:
                performance.changes.push_back(midi(frame, 0xB0, below(10) == 0 ? 123 : 64, below(128)));
                break;
            default:
                performance.changes.push_back(
                    parameter(frame, below(param::Count), std::uniform_real_distribution<float>(0.0f, 1.0f)(random)));
        }
    }
    sortByFrame(performance);
    return performance;
}

void expectSameSamples(const Performance& performance) {
    const Stereo vst = renderVst(performance);
    const Stereo clap = renderClap(performance);
    ASSERT_EQ(vst.size(), clap.size());
    size_t firstDifference = vst.size();
    for (size_t i = 0; i < vst.size() && firstDifference == vst.size(); ++i)
        if (std::memcmp(&vst[i], &clap[i], sizeof(float)) != 0) firstDifference = i;
    EXPECT_EQ(firstDifference, vst.size()) << "first differing sample (left, then right channel)";
    float loudest = 0.0f;
    for (float sample : vst) loudest = std::max(loudest, std::fabs(sample));
    EXPECT_GT(loudest, 0.0f) << "the performance should make a sound";
}

struct Setting {
    float sampleRate;
    int32_t blockSize;
};

class RandomPerformances : public ::testing::TestWithParam<Setting> {};

TEST_P(RandomPerformances, SoundTheSameThroughBothFormats) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        expectSameSamples(randomPerformance(seed * 7919u + static_cast<unsigned>(GetParam().blockSize),
                                            GetParam().sampleRate, GetParam().blockSize));
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, RandomPerformances,
                         ::testing::Values(Setting{44100.0f, 512}, Setting{48000.0f, 64}, Setting{96000.0f, 1000},
                                           Setting{22050.0f, 1}, Setting{44100.0f, 4096}),
                         [](const auto& info) {
                             return std::to_string(static_cast<int>(info.param.sampleRate)) + "Hz_" +
                                    std::to_string(info.param.blockSize);
                         });

// Each parameter moved through its range at frames inside blocks while a chord sounds through the
// chorus and the delay.
TEST(ParameterSweep, EveryParameterMovedInsideBlocksSoundsTheSame) {
    const float values[] = {0.0f, 1.0f, 0.5f, 0.123f, 0.999f, 0.25f, 0.75f, 0.0625f};
    for (int index = 0; index < param::Count; ++index) {
        SCOPED_TRACE("parameter " + std::to_string(index));
        Performance performance;
        performance.sampleRate = 48000.0f;
        performance.blockSize = 256;
        performance.frames = 3000;
        performance.tempo = 133.0;
        performance.changes.push_back(parameter(0, param::C_LVL, 0.6f));
        performance.changes.push_back(parameter(0, param::D_LVL, 0.5f));
        for (int key : {48, 55, 64}) performance.changes.push_back(midi(0, 0x90, key, 100, key == 55));
        for (int i = 0; i < 8; ++i) performance.changes.push_back(parameter(37 + 361 * i, index, values[i]));
        performance.changes.push_back(midi(1700, 0x80, 55, 0, true));
        sortByFrame(performance);
        expectSameSamples(performance);
    }
}

// ---- state --------------------------------------------------------------------------------------

TEST(StateAcrossFormats, ClapStateLoadsAsTheVstBankChunkAndBack) {
    auto clap = openClap();
    auto vst = openVst();
    ASSERT_TRUE(clap && vst);
    clap->setProgram(7);
    clap->setParameter(param::LVL1, 0.3125f);
    clap->setParameter(param::D_FB, 0.75f);
    const std::vector<uint8_t> saved = clap->saveState();
    ASSERT_EQ(saved.size(), 9600u);
    EXPECT_EQ(vst->setChunk(saved, false), 9600);
    EXPECT_EQ(vst->chunk(false), saved);
    vst->setProgram(7);  // the bank does not say which program is current
    for (int i = 0; i < param::Count; ++i) EXPECT_EQ(vst->parameter(i), clap->parameter(i)) << i;

    vst->setProgram(3);
    vst->setParameter(param::FIN2, 0.0f);
    vst->setProgramName("Crossed over");
    const std::vector<uint8_t> bank = vst->chunk(false);
    auto fresh = openClap();
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->loadState(bank));
    EXPECT_EQ(fresh->saveState(), bank);
}

TEST(StateAcrossFormats, AnythingButAWholeBankIsRefusedAndChangesNothing) {
    auto clap = openClap();
    ASSERT_TRUE(clap);
    clap->setParameter(param::LVL2, 0.5f);
    const std::vector<uint8_t> before = clap->saveState();
    for (size_t size : {size_t{0}, size_t{276}, size_t{9599}, size_t{9601}, size_t{19200}}) {
        EXPECT_FALSE(clap->loadState(std::vector<uint8_t>(size, 0x41))) << size;
        EXPECT_EQ(clap->saveState(), before) << size;
    }
}

}  // namespace
