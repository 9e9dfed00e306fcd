// The render loop against the recording plug-in: where events land, how blocks are cut, the tempo the
// plug-in is told, where the tail stops, and that none of it depends on the block size.
#include <gtest/gtest.h>

#include <cmath>

#include "RecordingPlugin.h"
#include "SmfBytes.h"
#include "host/HostedPlugin.h"
#include "tools/common/Renderer.h"

namespace {

using namespace smfbytes;
using testplugin::RecordingPlugin;
using tools::EventSchedule;

constexpr double kRate = 48000.0;

std::unique_ptr<host::HostedPlugin> startRecorder(int blockSize) {
    RecordingPlugin::configure({});
    std::string error;
    auto plugin = host::HostedPlugin::createFromEntry(testplugin::recordingPluginMain, error);
    EXPECT_TRUE(plugin) << error;
    plugin->open();
    plugin->setSampleRate(static_cast<float>(kRate));
    plugin->setBlockSize(blockSize);
    return plugin;
}

// Notes across three tempi; every event sits at a whole sample (see EventScheduleTest).
EventSchedule tempoChangingSchedule() {
    Bytes conductor;
    tempo(conductor, 0, 500000);
    tempo(conductor, 700, 1000000);
    tempo(conductor, 500, 400000);
    endOfTrack(conductor, 0);
    Bytes notes;
    for (int i = 0; i < 24; ++i) {
        delta(notes, i == 0 ? 3 : 77);
        append(notes, {0x90, 48 + i, 20 + i * 4});
        delta(notes, 31);
        append(notes, {0x80, 48 + i, 0});
    }
    append(notes, {0x00, 0xE0, 0x00, 0x60, 0x05, 0xB0, 0x01, 0x7F});
    endOfTrack(notes, 10);
    tools::MidiFile file;
    std::string error;
    EXPECT_TRUE(tools::parseMidiFile(smfbytes::file(header(1, 2, 480), {track(conductor), track(notes)}), file, error))
        << error;
    return tools::scheduleMidiFile(file, kRate, 120.0);
}

struct Capture {
    std::vector<std::vector<float>> channels;
    tools::AudioSink sink() {
        return [this](const float* const* data, int count, int32_t frames) {
            channels.resize(static_cast<size_t>(count));
            for (int c = 0; c < count; ++c) channels[c].insert(channels[c].end(), data[c], data[c] + frames);
            return true;
        };
    }
};

TEST(Renderer, EventsBlocksAndTempoAtExactSamplesForEveryBlockSize) {
    EventSchedule schedule = tempoChangingSchedule();
    std::vector<std::vector<float>> firstOutput;
    for (int blockSize : {64, 333, 1024}) {
        SCOPED_TRACE(blockSize);
        auto plugin = startRecorder(blockSize);
        Capture capture;
        tools::RenderStatistics statistics;
        ASSERT_TRUE(tools::renderSchedule(*plugin, schedule, {}, capture.sink(), nullptr, statistics));
        const RecordingPlugin& recorder = *RecordingPlugin::from(plugin->effect());

        ASSERT_EQ(recorder.events.size(), schedule.messages.size());
        for (size_t i = 0; i < schedule.messages.size(); ++i) {
            EXPECT_EQ(recorder.events[i].sample, schedule.messages[i].sample) << "message " << i;
            EXPECT_EQ(recorder.events[i].bytes[0], schedule.messages[i].bytes[0]);
        }
        int64_t start = 0;
        for (size_t block = 0; block < recorder.blockLengths.size(); ++block) {
            int32_t length = recorder.blockLengths[block];
            ASSERT_GE(length, 1);
            ASSERT_LE(length, blockSize);
            EXPECT_EQ(recorder.blockTempi[block], schedule.tempoAt(start)) << "block at " << start;
            EXPECT_EQ(schedule.tempoAt(start), schedule.tempoAt(start + length - 1)) << "a block straddles a tempo change";
            start += length;
        }
        std::vector<std::string> opening(recorder.calls.begin(), recorder.calls.begin() + 4);
        EXPECT_EQ(opening, (std::vector<std::string>{"open", "sampleRate 48000", "blockSize " + std::to_string(blockSize),
                                                     "resume"}));
        EXPECT_EQ(recorder.calls.back(), "suspend");

        ASSERT_EQ(capture.channels.size(), 2u);
        const std::vector<float>& left = capture.channels[0];
        ASSERT_EQ(static_cast<int64_t>(left.size()), statistics.framesOut);
        EXPECT_GT(statistics.framesOut, schedule.endSample);
        EXPECT_GE(std::fabs(left.back()), tools::kSilenceLevel) << "the file ends with the last loud frame";
        EXPECT_LT(std::fabs(left.back() * testplugin::kDecay), tools::kSilenceLevel) << "and not later";
        EXPECT_FALSE(statistics.tailCapped);
        if (firstOutput.empty()) {
            firstOutput = capture.channels;
        } else {
            EXPECT_TRUE(capture.channels == firstOutput) << "the output depends on the block size";
        }
    }
}

TEST(Renderer, TailStopsAtTheCapWhenTheSoundGoesOn) {
    EventSchedule schedule;
    schedule.tempi.push_back({0, 120.0});
    schedule.messages.push_back({100, {0x90, 60, 127}});  // never released
    schedule.endSample = 100;
    auto plugin = startRecorder(256);
    Capture capture;
    tools::RenderSettings settings;
    settings.maxTailSeconds = 0.5;
    tools::RenderStatistics statistics;
    ASSERT_TRUE(tools::renderSchedule(*plugin, schedule, settings, capture.sink(), nullptr, statistics));
    EXPECT_TRUE(statistics.tailCapped);
    EXPECT_EQ(statistics.framesOut, 100 + 24000);
    EXPECT_EQ(capture.channels[0].size(), size_t(100 + 24000));
}

TEST(Renderer, SilentRenderEndsWithTheMusicAndAFailingSinkStopsIt) {
    EventSchedule schedule;
    schedule.tempi.push_back({0, 120.0});
    schedule.endSample = 1000;
    auto plugin = startRecorder(128);
    Capture capture;
    tools::RenderStatistics statistics;
    ASSERT_TRUE(tools::renderSchedule(*plugin, schedule, {}, capture.sink(), nullptr, statistics));
    EXPECT_EQ(statistics.framesOut, 1000) << "silence inside the music is kept, silence after it is not";
    EXPECT_EQ(statistics.framesRendered, 1000 + static_cast<int64_t>(tools::kSilenceSeconds * kRate));

    int calls = 0;
    auto failing = [&](const float* const*, int, int32_t) { return ++calls < 3; };
    EXPECT_FALSE(tools::renderSchedule(*plugin, schedule, {}, failing, nullptr, statistics));
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(plugin->isResumed()) << "suspended even after a failure";
}

}  // namespace
