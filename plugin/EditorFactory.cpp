#include "plugin/EditorFactory.h"

#include "editor/CreateEditor.h"

EditorBase* createPluginEditor(ParameterHost* effect) { return createCalyx2Editor(effect); }
