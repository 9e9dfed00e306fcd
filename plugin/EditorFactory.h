// Creates the plug-in's editor for this build's window system, or null where none can exist.
#pragma once

#include "editor/EditorBase.h"

EditorBase* createPluginEditor(ParameterHost* effect);
