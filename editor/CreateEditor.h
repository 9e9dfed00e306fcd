// The plug-in's one way to get its editor: the panel on the window system of this build (Win32 on
// Windows, X11 on Linux where Xlib was found, the offscreen one elsewhere). Null if no editor can
// exist.
#pragma once

#include "editor/EditorBase.h"

EditorBase* createCalyx2Editor(ParameterHost* effect);
