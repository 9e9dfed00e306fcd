// The library's module handle, written by the Windows module entry (plugin/PluginEntry.cpp). It is
// declared and defined with the editor, its only reader, so that programs that build the editor
// without the entry link.
#include "editor/ModuleInstance.h"

void* moduleInstance = nullptr;
