// Ticks to samples through the tempo map; the tempo the host reports; notes closed at the end.
#include <gtest/gtest.h>

#include "SmfBytes.h"
#include "tools/common/EventSchedule.h"

namespace {

using namespace smfbytes;
using tools::EventSchedule;
using tools::MidiFile;

MidiFile parsed(const Bytes& bytes) {
    MidiFile file;
    std::string error;
    EXPECT_TRUE(tools::parseMidiFile(bytes, file, error)) << error;
    return file;
}

// 480 ticks per quarter at 48 kHz: at 120 bpm a tick is 50 samples, at 60 bpm 100, at 150 bpm 40.
TEST(EventSchedule, TempoChangesMoveLaterNotesOnly) {
    Bytes conductor;
    tempo(conductor, 0, 500000);    // 120 bpm
    tempo(conductor, 960, 1000000); // 60 bpm from tick 960 (sample 48000)
    tempo(conductor, 480, 400000);  // 150 bpm from tick 1440 (sample 96000)
    endOfTrack(conductor, 0);
    Bytes notes;
    append(notes, {0x83, 0x60, 0x90, 60, 100});  // tick 480
    append(notes, {0x87, 0x40, 62, 100});        // tick 1440 (running status)
    append(notes, {0x81, 0x70, 0x80, 60, 0});    // tick 1680
    append(notes, {0x00, 0x80, 62, 0});
    endOfTrack(notes, 0);
    MidiFile file = parsed(smfbytes::file(header(1, 2, 480), {track(conductor), track(notes)}));
    EventSchedule schedule = tools::scheduleMidiFile(file, 48000.0, 90.0);

    ASSERT_EQ(schedule.messages.size(), 4u);
    EXPECT_EQ(schedule.messages[0].sample, 24000);
    EXPECT_EQ(schedule.messages[1].sample, 96000);
    EXPECT_EQ(schedule.messages[2].sample, 96000 + 240 * 40);
    EXPECT_EQ(schedule.endSample, 96000 + 240 * 40);

    ASSERT_EQ(schedule.tempi.size(), 3u) << "the file's tempo at tick 0 replaces the initial one";
    EXPECT_EQ(schedule.tempi[0].sample, 0);
    EXPECT_DOUBLE_EQ(schedule.tempi[0].beatsPerMinute, 120.0);
    EXPECT_EQ(schedule.tempi[1].sample, 48000);
    EXPECT_DOUBLE_EQ(schedule.tempi[1].beatsPerMinute, 60.0);
    EXPECT_EQ(schedule.tempi[2].sample, 96000);
    EXPECT_DOUBLE_EQ(schedule.tempoAt(95999), 60.0);
    EXPECT_DOUBLE_EQ(schedule.tempoAt(96000), 150.0);
}

TEST(EventSchedule, InitialTempoHoldsUntilTheFirstChange) {
    Bytes notes;
    append(notes, {0x83, 0x60, 0x90, 60, 100});  // tick 480: one beat
    endOfTrack(notes, 480);
    MidiFile file = parsed(smfbytes::file(header(0, 1, 480), {track(notes)}));
    EventSchedule at90 = tools::scheduleMidiFile(file, 44100.0, 90.0);
    EXPECT_EQ(at90.messages[0].sample, 29400);  // 2/3 s
    EXPECT_DOUBLE_EQ(at90.tempoAt(0), 90.0);
    ASSERT_EQ(at90.messages.size(), 2u) << "the held note is released where the music ends";
    EXPECT_EQ(at90.messages[1].sample, 58800);
    EXPECT_EQ(at90.messages[1].bytes[0], 0x80);
    EXPECT_EQ(at90.messages[1].bytes[1], 60);
}

TEST(EventSchedule, EventsAtOneTickKeepTrackOrder) {
    Bytes first, second;
    append(first, {0x00, 0x90, 60, 100, 0x00, 0x80, 60, 0});
    append(second, {0x00, 0xB0, 1, 10});
    MidiFile file = parsed(smfbytes::file(header(1, 2, 96), {track(first), track(second)}));
    EventSchedule schedule = tools::scheduleMidiFile(file, 48000.0, 120.0);
    ASSERT_EQ(schedule.messages.size(), 3u);
    EXPECT_EQ(schedule.messages[0].bytes[0], 0x90);
    EXPECT_EQ(schedule.messages[1].bytes[0], 0x80);
    EXPECT_EQ(schedule.messages[2].bytes[0], 0xB0);
}

TEST(EventSchedule, SmpteTimeIgnoresTempo) {
    Bytes notes;
    tempo(notes, 0, 250000);
    append(notes, {0x81, 0x48, 0x90, 60, 100});  // tick 200 at 25 fps x 40 ticks: 0.2 s
    endOfTrack(notes, 0);
    MidiFile file = parsed(smfbytes::file(header(0, 1, 0xE728), {track(notes)}));
    EventSchedule schedule = tools::scheduleMidiFile(file, 48000.0, 120.0);
    EXPECT_EQ(schedule.messages[0].sample, 9600);
    EXPECT_DOUBLE_EQ(schedule.tempoAt(0), 240.0) << "the plug-in still hears the file's tempo";
}

}  // namespace
