// CLAP's note and MIDI events as the MIDI channel messages the plug-in's VST 2.4 event entry takes,
// so that both formats drive the engine through the same code.
#pragma once

#include <cstdint>

#include "clap/clap_abi.h"

namespace calyx2clap {

struct MidiBytes {
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

// Most messages one CLAP event turns into: a note-off for every key.
constexpr int kMostMessagesPerEvent = 128;

// Velocity 0..1 on MIDI's 0..127 scale: the nearest step, halves rounding up (v * 127 + 0.5,
// truncated), clamped to 0..127, NaN as 0. A note-on that comes out as 0 is sent as 1: on MIDI's
// scale 0 would turn it into a note-off, and the host did ask for a note.
uint8_t midiVelocity(double velocity, bool noteOn);

// Writes the messages for a core-space event into out (room for kMostMessagesPerEvent) and returns
// how many; 0 for events the engine has no use for. Wildcards: a note-off or choke for key -1
// concerns every key; a note-on for key -1 names no note and is dropped. Channel -1 is channel 1
// (the engine plays every channel alike). A choke is a note-off on one key, and the all-notes-off
// controller 123 (silence at once) for every key.
int midiForEvent(const clap_event_header_t& event, MidiBytes* out);

}  // namespace calyx2clap
