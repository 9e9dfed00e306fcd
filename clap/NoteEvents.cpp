#include "clap/NoteEvents.h"

namespace calyx2clap {
namespace {
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kController = 0xB0;
constexpr uint8_t kAllNotesOffController = 123;
constexpr int kKeys = 128;

uint8_t channelNibble(int16_t channel) { return channel >= 0 && channel < 16 ? static_cast<uint8_t>(channel) : 0; }

int noteOffs(const clap_event_note_t& note, MidiBytes* out) {
    const uint8_t status = kNoteOff | channelNibble(note.channel);
    const uint8_t velocity = midiVelocity(note.velocity, false);
    if (note.key >= 0 && note.key < kKeys) {
        out[0] = {status, static_cast<uint8_t>(note.key), velocity};
        return 1;
    }
    if (note.key != -1) return 0;
    for (int key = 0; key < kKeys; ++key) out[key] = {status, static_cast<uint8_t>(key), velocity};
    return kKeys;
}
}  // namespace

uint8_t midiVelocity(double velocity, bool noteOn) {
    int steps = 0;
    if (velocity >= 1.0)
        steps = 127;
    else if (velocity > 0.0)
        steps = static_cast<int>(velocity * 127.0 + 0.5);
    if (noteOn && steps == 0) steps = 1;
    return static_cast<uint8_t>(steps);
}

int midiForEvent(const clap_event_header_t& event, MidiBytes* out) {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) return 0;
    switch (event.type) {
        case CLAP_EVENT_NOTE_ON: {
            if (event.size < sizeof(clap_event_note_t)) return 0;
            const auto& note = reinterpret_cast<const clap_event_note_t&>(event);
            if (note.key < 0 || note.key >= kKeys) return 0;
            out[0] = {static_cast<uint8_t>(kNoteOn | channelNibble(note.channel)), static_cast<uint8_t>(note.key),
                      midiVelocity(note.velocity, true)};
            return 1;
        }
        case CLAP_EVENT_NOTE_OFF:
            if (event.size < sizeof(clap_event_note_t)) return 0;
            return noteOffs(reinterpret_cast<const clap_event_note_t&>(event), out);
        case CLAP_EVENT_NOTE_CHOKE: {
            if (event.size < sizeof(clap_event_note_t)) return 0;
            const auto& note = reinterpret_cast<const clap_event_note_t&>(event);
            if (note.key == -1) {
                out[0] = {static_cast<uint8_t>(kController | channelNibble(note.channel)), kAllNotesOffController, 0};
                return 1;
            }
            return noteOffs(note, out);
        }
        case CLAP_EVENT_MIDI: {
            if (event.size < sizeof(clap_event_midi_t)) return 0;
            const auto& midi = reinterpret_cast<const clap_event_midi_t&>(event);
            if ((midi.data[0] & 0x80) == 0) return 0;  // a data byte where a status belongs
            out[0] = {midi.data[0], midi.data[1], midi.data[2]};
            return 1;
        }
        default: return 0;
    }
}

}  // namespace calyx2clap
