// The library's exported entry points.
#include <new>

#include "plugin/Calyx2Plugin.h"
#include "editor/ModuleInstance.h"
#include "vst/vst2.h"

#if defined(_WIN32)
#include <windows.h>
#define CALYX2_EXPORT extern "C" __declspec(dllexport)

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleInstance = instance;
    return TRUE;
}
#else
#define CALYX2_EXPORT extern "C" __attribute__((visibility("default")))
#endif

CALYX2_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host) {
    // Without a callback the host could never hear from us; refuse like a host that has no version.
    if (!host) return nullptr;
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        return (new Calyx2Plugin(host))->getAeffect();
    } catch (...) {
        return nullptr;  // out of memory part-way: the members built so far are released
    }
}

#if !defined(_WIN32)
// Older hosts look for "main"; the .def file gives Windows the same alias.
CALYX2_EXPORT AEffect* VSTCALLBACK mainEntryAlias(audioMasterCallback host) __asm__("main");
CALYX2_EXPORT AEffect* VSTCALLBACK mainEntryAlias(audioMasterCallback host) { return VSTPluginMain(host); }
#endif
