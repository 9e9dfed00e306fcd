#include "plugin/EditorFactory.h"

// Until the panel is wired in, the plug-in runs without an editor.
EditorBase* createPluginEditor(ParameterHost*) { return nullptr; }
