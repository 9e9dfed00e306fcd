// The window system of the editor made last: each WebAssembly instance holds one plug-in object,
// so this is that object's panel.
#pragma once

#include "editor/offscreen/OffscreenWindowSystem.h"

OffscreenWindowSystem* panelWindowSystem();
