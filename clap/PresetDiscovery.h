// The preset-discovery factory: one provider that declares the plug-in itself as a location of
// factory content and lists the 32 factory programs there, each loadable through preset-load with
// the key PresetKeys gives it.
#pragma once

#include "clap/clap_abi.h"

namespace calyx2clap {

constexpr const char* kPluginId = "com.tamberlow.calyx2";
extern const clap_preset_discovery_factory_t kPresetDiscoveryFactory;

}  // namespace calyx2clap
