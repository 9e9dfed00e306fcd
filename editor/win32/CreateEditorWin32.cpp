#include "editor/Calyx2Editor.h"
#include "editor/CreateEditor.h"
#include "editor/win32/Win32WindowSystem.h"

// The plug-in's module handle, recorded by its DLL entry point.
#include "editor/ModuleInstance.h"

EditorBase* createCalyx2Editor(ParameterHost* effect) {
    return new Calyx2Editor(effect, std::make_unique<Win32WindowSystem>(moduleInstance));
}
