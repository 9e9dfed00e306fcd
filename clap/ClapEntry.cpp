// The library's one export, clap_entry: a plug-in factory offering the one instrument, and a
// preset-discovery factory listing its factory programs.
#include <cstring>

#include "clap/Calyx2Clap.h"
#include "clap/PresetDiscovery.h"
#include "editor/ModuleInstance.h"

#if defined(_WIN32)
#include <windows.h>
#define CALYX2_CLAP_EXPORT extern "C" __declspec(dllexport)

// The editor finds its window class and bitmaps through the module handle.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleInstance = instance;
    return TRUE;
}
#else
#define CALYX2_CLAP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace calyx2clap {
namespace {
const char* const kFeatures[] = {"instrument", "synthesizer", "stereo", nullptr};

const clap_plugin_factory_t kPluginFactory = {
    [](const clap_plugin_factory_t*) -> uint32_t { return 1; },
    [](const clap_plugin_factory_t*, uint32_t index) { return index == 0 ? &kDescriptor : nullptr; },
    [](const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
        return id && std::strcmp(id, kDescriptor.id) == 0 ? Calyx2Clap::create(host) : nullptr;
    },
};
}  // namespace

const clap_plugin_descriptor_t kDescriptor = {
    kClapVersion,
    kPluginId,
    "Calyx2",
    "Tamberlow Global Entertainment",
    "",
    "",
    "",
    CALYX2_VERSION,
    "Polyphonic phase-modulation synthesiser",
    kFeatures,
};

}  // namespace calyx2clap

CALYX2_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {
    kClapVersion,
    [](const char*) { return true; },
    [] {},
    [](const char* id) -> const void* {
        if (!id) return nullptr;
        if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) return &calyx2clap::kPluginFactory;
        if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
            std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
            return &calyx2clap::kPresetDiscoveryFactory;
        return nullptr;
    },
};
