// The six panel pictures. Sizes, depths and frame layouts are the ones the editor expects; the
// background puts its labels and knob scales at the control positions of panelLayout.
#pragma once

#include "tools/bitmaps/Picture.h"

namespace panel_art {
Picture background();      // 560 x 320
Picture knobStrip();       // 24 x 1536: 64 frames, black outside the knob
Picture knobMask();        // 24 x 24: black on the knob, white around it
Picture indicator();       // 8 x 16: off, then on
Picture toggleSwitch();    // 25 x 34: off, then on
Picture threeWaySwitch();  // 11 x 90: positions for 0.0, 0.5 and 1.0

// Whether a pixel of a 24 x 24 knob cell belongs to the knob; mask and strip agree on it.
bool onKnob(int x, int y);
}  // namespace panel_art
