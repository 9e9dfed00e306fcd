// A MIDI file turned into what the renderer plays: channel messages at absolute sample positions and
// the host tempo in force from each position on.
//
// Positions: a tick's time is the sum over the tempo segments before it (microseconds per quarter note
// divided by ticks per quarter), or ticks / (frames per second x ticks per frame) for SMPTE files; the
// sample is that time x sample rate, rounded to the nearest sample. Messages keep their file order
// within a sample (tracks in file order at the same tick). Notes still held when the music ends get a
// note-off there, so a render never leaves voices hanging.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/common/MidiFile.h"

namespace tools {

struct ScheduledMessage {
    int64_t sample;
    uint8_t bytes[3];
};

struct TempoChange {
    int64_t sample;
    double beatsPerMinute;
};

struct EventSchedule {
    std::vector<ScheduledMessage> messages;  // ordered by sample
    std::vector<TempoChange> tempi;          // ordered by sample; the first at sample 0
    int64_t endSample = 0;                   // where the music ends: its last event or end of track

    double tempoAt(int64_t sample) const;
};

// initialBeatsPerMinute is the tempo until the file's first tempo change (the format's default is 120).
EventSchedule scheduleMidiFile(const MidiFile& file, double sampleRate, double initialBeatsPerMinute);

}  // namespace tools
