// The panel exactly as the editor paints it, in memory: an editor on the offscreen window system,
// its values read from the given parameter owner, opened and sent one paint message.
#pragma once

#include "editor/ParameterHost.h"
#include "editor/offscreen/OffscreenWindowSystem.h"
#include "editor/offscreen/RgbImage.h"

RgbImage snapshotPanel(ParameterHost& parameters, const BitmapSource& bitmaps);
