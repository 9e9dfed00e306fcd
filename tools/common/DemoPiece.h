// The piece calyx2-render plays when it is given no MIDI file: seven bars in A minor that show the
// instrument off: sustained chords over a bass line, a melody above them, a solo bar with pitch bends,
// and mod-wheel swells. About 16 seconds at its tempo, plus the release tail.
#pragma once

#include "tools/common/MidiFile.h"

namespace tools {

constexpr double kDemoBeatsPerMinute = 104.0;

// Format 0, 480 ticks per quarter note, no tempo event: the tempo is the renderer's to choose.
MidiFile demoPiece();

}  // namespace tools
