#include "tools/common/DemoPiece.h"

#include <algorithm>
#include <cmath>

namespace tools {
namespace {

constexpr int kTicksPerQuarter = 480;
constexpr double kPieceBeats = 28.0;

struct Note {
    double beat;
    double beats;
    int key;
    int velocity;
};

// Chords with their bass note, one per bar; a chord is released just before the next so that each
// bar strikes anew.
const Note kChords[] = {
    {0, 3.9, 45, 84}, {0, 3.9, 57, 72}, {0, 3.9, 60, 70}, {0, 3.9, 64, 70},      // A minor
    {4, 3.9, 41, 84}, {4, 3.9, 57, 72}, {4, 3.9, 60, 70}, {4, 3.9, 65, 70},      // F major
    {8, 3.9, 48, 84}, {8, 3.9, 55, 72}, {8, 3.9, 60, 70}, {8, 3.9, 64, 70},      // C major
    {12, 3.9, 43, 84}, {12, 3.9, 55, 72}, {12, 3.9, 59, 70}, {12, 3.9, 62, 70},  // G major
    {16, 3.9, 33, 90},                                                           // bass alone under the solo
    {20, 3.9, 38, 84}, {20, 3.9, 50, 72}, {20, 3.9, 53, 70}, {20, 3.9, 57, 70},  // D minor
    {24, 1.9, 40, 84}, {24, 1.9, 52, 72}, {24, 1.9, 56, 70}, {24, 1.9, 59, 70},  // E major
    {26, 2.0, 45, 88}, {26, 2.0, 57, 74}, {26, 2.0, 60, 72}, {26, 2.0, 64, 72},  // A minor, held to the end
};

const Note kMelody[] = {
    {0, 1, 76, 100},   {1, 0.5, 74, 92},  {1.5, 0.5, 72, 90}, {2, 1, 71, 96},    {3, 1, 72, 98},
    {4, 1.5, 69, 100}, {5.5, 0.5, 72, 88}, {6, 2, 77, 108},
    {8, 1, 79, 104},   {9, 1, 76, 96},    {10, 1, 72, 94},    {11, 0.5, 76, 90}, {11.5, 0.5, 79, 96},
    {12, 2, 74, 104},  {14, 1, 71, 96},   {15, 1, 67, 92},
    {16, 0.5, 69, 100}, {16.5, 0.5, 72, 96}, {17, 1.5, 74, 110},  // bent up to E and back
    {18.5, 0.5, 72, 92}, {19, 1, 69, 100},                        // bent down and back
    {20, 1, 77, 104},  {21, 1, 76, 98},   {22, 1, 74, 96},    {23, 1, 72, 94},
    {24, 1, 71, 100},  {25, 1, 68, 96},   {26, 2, 69, 110},
};

class PieceWriter {
public:
    void note(const Note& note) {
        add(note.beat, {uint8_t(0x90), uint8_t(note.key), uint8_t(note.velocity)});
        add(note.beat + note.beats, {uint8_t(0x80), uint8_t(note.key), uint8_t(64)});
    }
    void modWheel(double from, double to, int startValue, int endValue) { ramp(from, to, startValue, endValue, false); }
    // Bend values are 0..16383 with 8192 the centre.
    void bend(double from, double to, int startValue, int endValue) { ramp(from, to, startValue, endValue, true); }

    MidiFile finish() {
        std::stable_sort(events_.begin(), events_.end(),
                         [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
        MidiEvent end;
        end.kind = MidiEvent::Kind::EndOfTrack;
        end.tick = ticks(kPieceBeats);
        events_.push_back(end);
        MidiFile file;
        file.format = 0;
        file.ticksPerQuarter = kTicksPerQuarter;
        file.tracks.push_back(events_);
        return file;
    }

private:
    static uint64_t ticks(double beat) { return static_cast<uint64_t>(std::llround(beat * kTicksPerQuarter)); }

    void add(double beat, std::initializer_list<uint8_t> bytes) {
        MidiEvent event;
        event.tick = ticks(beat);
        std::copy(bytes.begin(), bytes.end(), event.bytes);
        event.size = 3;
        events_.push_back(event);
    }

    // One message every thirty-second note from start to end value.
    void ramp(double from, double to, int startValue, int endValue, bool pitchBend) {
        int steps = std::max(1, static_cast<int>(std::lround((to - from) * 8)));
        for (int step = 0; step <= steps; ++step) {
            int value = startValue + (endValue - startValue) * step / steps;
            double beat = from + (to - from) * step / steps;
            if (pitchBend) {
                add(beat, {uint8_t(0xE0), uint8_t(value & 0x7F), uint8_t((value >> 7) & 0x7F)});
            } else {
                add(beat, {uint8_t(0xB0), uint8_t(1), uint8_t(value)});
            }
        }
    }

    std::vector<MidiEvent> events_;
};

}  // namespace

MidiFile demoPiece() {
    PieceWriter piece;
    for (const Note& note : kChords) piece.note(note);
    for (const Note& note : kMelody) piece.note(note);
    piece.modWheel(12, 15.5, 0, 100);   // vibrato grows under the held D
    piece.modWheel(15.75, 16, 100, 0);
    piece.bend(17.25, 17.75, 8192, 16383);  // D up a whole tone (with the usual two-semitone range)
    piece.bend(18.0, 18.5, 16383, 8192);
    piece.bend(19.25, 19.5, 8192, 4096);    // a dip on the final A of the solo
    piece.bend(19.625, 19.875, 4096, 8192);
    piece.modWheel(26, 27.75, 0, 127);  // the last chord swells
    piece.modWheel(27.875, 28, 127, 0);
    return piece.finish();
}

}  // namespace tools
