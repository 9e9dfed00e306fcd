// Which parts of a MIDI file are played: channels and tracks, as users number them (from 1). Leaving a
// part out mutes it: its channel messages go, but tempo changes and track ends stay, so the song keeps
// its timing and length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/MidiFile.h"

namespace tools {

constexpr int kMidiChannels = 16;

struct MidiSelection {
    uint32_t channels = (1u << kMidiChannels) - 1;  // bit c: channel c + 1 plays
    std::vector<int> tracks;                        // 1-based; empty: every track
};

// "1,3-5,10" into the numbers it lists, each from 1 to highest; false with error naming the option.
bool parseNumberList(const std::string& option, const std::string& text, int highest, std::vector<int>& numbers,
                     std::string& error);

// False with error when a selected track is not in the file.
bool checkSelection(const MidiFile& file, const MidiSelection& selection, std::string& error);
void applySelection(MidiFile& file, const MidiSelection& selection);

}  // namespace tools
