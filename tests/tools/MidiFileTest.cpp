// Reading Standard MIDI Files: formats, running status, skipped data, and damaged files.
#include <gtest/gtest.h>

#include <random>

#include "SmfBytes.h"
#include "tools/common/MidiFile.h"

namespace {

using namespace smfbytes;
using tools::MidiEvent;
using tools::MidiFile;

MidiFile parsed(const Bytes& bytes) {
    MidiFile file;
    std::string error;
    EXPECT_TRUE(tools::parseMidiFile(bytes, file, error)) << error;
    return file;
}

std::string failure(const Bytes& bytes) {
    MidiFile file;
    std::string error;
    EXPECT_FALSE(tools::parseMidiFile(bytes, file, error));
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

Bytes melodyTrack() {
    Bytes events;
    append(events, {0x00, 0x90, 60, 100});
    append(events, {0x60, 0x80, 60, 0});
    append(events, {0x00, 0xC0, 5});  // one data byte
    append(events, {0x81, 0x00, 0xE0, 0x00, 0x50});  // delta 128
    endOfTrack(events, 0);
    return events;
}

TEST(MidiFile, FormatZeroEventsAtAbsoluteTicks) {
    MidiFile midi = parsed(smfbytes::file(header(0, 1, 96), {track(melodyTrack())}));
    EXPECT_EQ(midi.format, 0);
    EXPECT_EQ(midi.ticksPerQuarter, 96);
    ASSERT_EQ(midi.tracks.size(), 1u);
    const auto& events = midi.tracks[0];
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1].tick, 96u);
    EXPECT_EQ(events[1].bytes[0], 0x80);
    EXPECT_EQ(events[2].size, 2);
    EXPECT_EQ(events[2].bytes[1], 5);
    EXPECT_EQ(events[3].tick, 96u + 128u);
    EXPECT_EQ(events[3].bytes[2], 0x50);
    EXPECT_EQ(events[4].kind, MidiEvent::Kind::EndOfTrack);
}

TEST(MidiFile, FormatOneKeepsTracksApartAndSkipsForeignChunks) {
    Bytes conductor;
    tempo(conductor, 0, 400000);
    append(conductor, {0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'});  // track name, dropped
    endOfTrack(conductor, 0);
    Bytes second;
    append(second, {0x10, 0x91, 64, 90, 0x10, 0x81, 64, 0});
    endOfTrack(second, 0);
    Bytes alien = {'X', 'y', 'z', 'w', 0, 0, 0, 3, 1, 2, 3};
    MidiFile midi = parsed(smfbytes::file(header(1, 3, 480), {track(conductor), alien, track(melodyTrack()), track(second)}));
    EXPECT_EQ(midi.format, 1);
    ASSERT_EQ(midi.tracks.size(), 3u);
    ASSERT_EQ(midi.tracks[0].size(), 2u);
    EXPECT_EQ(midi.tracks[0][0].kind, MidiEvent::Kind::Tempo);
    EXPECT_EQ(midi.tracks[0][0].microsecondsPerQuarter, 400000u);
    EXPECT_EQ(midi.tracks[2][1].tick, 32u);
    EXPECT_EQ(midi.tracks[2][1].bytes[0], 0x81);
}

TEST(MidiFile, RunningStatusAndWhatCancelsIt) {
    Bytes events;
    append(events, {0x00, 0x90, 60, 100, 0x10, 62, 101, 0x10, 64, 0});  // two notes on the running 0x90
    append(events, {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7});               // system exclusive, skipped
    append(events, {0x00, 0xB0, 1, 64, 0x00, 7, 100});                  // running controller
    endOfTrack(events, 0);
    MidiFile midi = parsed(smfbytes::file(header(0, 1, 480), {track(events)}));
    const auto& list = midi.tracks[0];
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[1].bytes[0], 0x90);
    EXPECT_EQ(list[1].bytes[1], 62);
    EXPECT_EQ(list[2].tick, 32u);
    EXPECT_EQ(list[2].bytes[2], 0);
    EXPECT_EQ(list[4].bytes[0], 0xB0);
    EXPECT_EQ(list[4].bytes[1], 7);

    Bytes cancelled;
    append(cancelled, {0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x00, 62, 100});
    EXPECT_NE(failure(file(header(0, 1, 480), {track(cancelled)})).find("without a status"), std::string::npos);
}

TEST(MidiFile, TimingForms) {
    Bytes events;
    endOfTrack(events, 0);
    MidiFile smpte = parsed(smfbytes::file(header(0, 1, 0xE728), {track(events)}));  // -25 fps, 40 ticks per frame
    EXPECT_EQ(smpte.framesPerSecond, 25);
    EXPECT_EQ(smpte.ticksPerFrame, 40);
    EXPECT_NE(failure(file(header(2, 1, 480), {track(events)})).find("format 2"), std::string::npos);
    failure(file(header(0, 1, 0), {track(events)}));
    failure(file(header(0, 1, 0xEC00), {track(events)}));  // -20 fps does not exist
}

TEST(MidiFile, DamagedFilesAreRefusedWithAReason) {
    Bytes good = file(header(1, 2, 480), {track(melodyTrack()), track(melodyTrack())});
    for (size_t length = 0; length < good.size(); ++length) {
        Bytes cut(good.begin(), good.begin() + static_cast<long>(length));
        MidiFile file;
        std::string error;
        EXPECT_FALSE(tools::parseMidiFile(cut, file, error)) << "prefix of " << length;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(failure(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0}).find("not a Standard MIDI File"),
              std::string::npos);

    Bytes trackTooLong = file(header(0, 1, 480), {track(melodyTrack())});
    trackTooLong[21] += 10;  // the track claims more bytes than the file has
    EXPECT_NE(failure(trackTooLong).find("track 1"), std::string::npos);

    Bytes missingTrack = file(header(1, 3, 480), {track(melodyTrack())});
    EXPECT_NE(failure(missingTrack).find("3 tracks"), std::string::npos);

    Bytes statusAsData;
    append(statusAsData, {0x00, 0x90, 60, 0x90});
    failure(file(header(0, 1, 480), {track(statusAsData)}));

    Bytes systemMessage;
    append(systemMessage, {0x00, 0xF8});
    EXPECT_NE(failure(file(header(0, 1, 480), {track(systemMessage)})).find("0xF8"), std::string::npos);

    Bytes longDelta;
    append(longDelta, {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1});
    EXPECT_NE(failure(file(header(0, 1, 480), {track(longDelta)})).find("four bytes"), std::string::npos);

    std::mt19937 random(11);
    for (int trial = 0; trial < 500; ++trial) {
        Bytes garbage = header(random() % 2, 1 + random() % 3, 96);
        Bytes body(random() % 64);
        for (auto& b : body) b = static_cast<uint8_t>(random());
        Bytes noisy = file(garbage, {track(body)});
        MidiFile file;
        std::string error;
        tools::parseMidiFile(noisy, file, error);  // any answer, but no crash or over-read (sanitizer builds)
    }
}

}  // namespace
