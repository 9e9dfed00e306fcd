#include "clap/PresetDiscovery.h"

#include <cstring>
#include <new>
#include <string>

#include "clap/PresetKeys.h"
#include "plugin/ProgramBank.h"

namespace calyx2clap {
namespace {
const clap_preset_discovery_provider_descriptor_t kProvider = {
    kClapVersion, "com.tamberlow.calyx2.factory-programs", "Calyx2 factory programs",
    "Tamberlow Global Entertainment"};

struct Provider {
    clap_preset_discovery_provider_t record;
    const clap_preset_discovery_indexer_t* indexer;
};

const clap_preset_discovery_indexer_t* indexerOf(const clap_preset_discovery_provider_t* provider) {
    return static_cast<Provider*>(provider->provider_data)->indexer;
}

bool declareLocation(const clap_preset_discovery_provider_t* provider) {
    const clap_preset_discovery_indexer_t* indexer = indexerOf(provider);
    if (!indexer->declare_location) return false;
    const clap_preset_discovery_location_t location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Calyx2",
                                                       CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return indexer->declare_location(indexer, &location);
}

bool listPrograms(uint32_t kind, const char* location, const clap_preset_discovery_metadata_receiver_t* receiver) {
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || !receiver || !receiver->begin_preset)
        return false;
    ProgramBank factory;
    const clap_universal_plugin_id_t plugin = {"clap", kPluginId};
    for (int program = 0; program < kProgramCount; ++program) {
        const ProgramRecord& record = factory.program(program);
        const std::string name(record.name, strnlen(record.name, kProgramNameLength));
        if (!receiver->begin_preset(receiver, name.c_str(), keyForProgram(program).c_str())) break;
        if (receiver->add_plugin_id) receiver->add_plugin_id(receiver, &plugin);
        if (receiver->set_flags) receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
    }
    return true;
}

const clap_preset_discovery_provider_t* createProvider(const clap_preset_discovery_indexer_t* indexer,
                                                       const char* id) {
    if (!indexer || !id || std::strcmp(id, kProvider.id) != 0) return nullptr;
    auto* provider = new (std::nothrow) Provider{};
    if (!provider) return nullptr;
    provider->indexer = indexer;
    provider->record.desc = &kProvider;
    provider->record.provider_data = provider;
    provider->record.init = declareLocation;
    provider->record.destroy = [](const clap_preset_discovery_provider_t* p) {
        delete static_cast<Provider*>(p->provider_data);
    };
    provider->record.get_metadata = [](const clap_preset_discovery_provider_t*, uint32_t kind, const char* location,
                                       const clap_preset_discovery_metadata_receiver_t* receiver) {
        return listPrograms(kind, location, receiver);
    };
    provider->record.get_extension = [](const clap_preset_discovery_provider_t*, const char*) -> const void* {
        return nullptr;
    };
    return &provider->record;
}
}  // namespace

const clap_preset_discovery_factory_t kPresetDiscoveryFactory = {
    [](const clap_preset_discovery_factory_t*) -> uint32_t { return 1; },
    [](const clap_preset_discovery_factory_t*, uint32_t index) { return index == 0 ? &kProvider : nullptr; },
    [](const clap_preset_discovery_factory_t*, const clap_preset_discovery_indexer_t* indexer, const char* id) {
        return createProvider(indexer, id);
    },
};

}  // namespace calyx2clap
