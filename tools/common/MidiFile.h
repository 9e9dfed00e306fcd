// Standard MIDI Files (format 0 and 1) read into per-track lists of events at absolute ticks.
// Kept: channel messages (note, controller, program, pressure, pitch bend), tempo changes and the end of
// each track. System-exclusive and the other meta events are read past and dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct MidiEvent {
    enum class Kind : uint8_t { Channel, Tempo, EndOfTrack };
    uint64_t tick = 0;
    Kind kind = Kind::Channel;
    uint8_t bytes[3] = {0, 0, 0};          // Channel: status and up to two data bytes
    uint8_t size = 0;                      // Channel: 2 or 3
    uint32_t microsecondsPerQuarter = 0;   // Tempo
};

struct MidiFile {
    int format = 0;
    // Either ticks per quarter note, or (when framesPerSecond > 0) SMPTE time: ticks per frame.
    int ticksPerQuarter = 480;
    int framesPerSecond = 0;  // 24, 25, 29 (29.97 drop-frame) or 30
    int ticksPerFrame = 0;
    std::vector<std::vector<MidiEvent>> tracks;
};

// Reads a whole file image. On failure returns false with error set to one sentence.
bool parseMidiFile(const std::vector<uint8_t>& bytes, MidiFile& file, std::string& error);

}  // namespace tools
