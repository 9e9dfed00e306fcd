// The state extension (the VST 2.4 bank chunk, byte for byte) and preset-load (the factory programs).
#include <cstdlib>
#include <vector>

#include "clap/Calyx2Clap.h"
#include "clap/PresetKeys.h"

namespace calyx2clap {

const clap_plugin_state_t Calyx2Clap::kState = {
    [](const clap_plugin_t* p, const clap_ostream_t* stream) { return stream && of(p)->saveState(*stream); },
    [](const clap_plugin_t* p, const clap_istream_t* stream) { return stream && of(p)->loadState(*stream); },
};

const clap_plugin_preset_load_t Calyx2Clap::kPresetLoad = {
    [](const clap_plugin_t* p, uint32_t kind, const char* location, const char* key) {
        return of(p)->loadPreset(kind, location, key);
    },
};

bool Calyx2Clap::saveState(const clap_ostream_t& stream) {
    if (!stream.write) return false;
    void* chunk = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, 0, 0, &chunk);
    if (size <= 0 || !chunk) return false;
    const auto* bytes = static_cast<const uint8_t*>(chunk);
    for (VstIntPtr done = 0; done < size;) {
        const int64_t written = stream.write(&stream, bytes + done, static_cast<uint64_t>(size - done));
        if (written <= 0) return false;
        done += static_cast<VstIntPtr>(written);
    }
    return true;
}

// Reads one byte more than a bank holds, so that a longer stream is refused rather than cut.
bool Calyx2Clap::loadState(const clap_istream_t& stream) {
    if (!stream.read) return false;
    std::vector<uint8_t> bytes(kBankChunkSize + 1);
    size_t total = 0;
    while (total < bytes.size()) {
        const int64_t read = stream.read(&stream, bytes.data() + total, bytes.size() - total);
        if (read < 0) return false;
        if (read == 0) break;
        total += static_cast<size_t>(read);
    }
    if (dispatch(effSetChunk, 0, static_cast<VstIntPtr>(total), bytes.data()) == 0) return false;
    rescanValues();
    return true;
}

bool Calyx2Clap::loadPreset(uint32_t kind, const char* location, const char* key) {
    const int program = programForKey(key);
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || program < 0) {
        auto* answer = hostExtension<clap_host_preset_load_t>(CLAP_EXT_PRESET_LOAD);
        if (answer && answer->on_error) answer->on_error(host, kind, location, key, 0, "no such factory program");
        return false;
    }
    dispatch(effSetProgram, 0, program);
    rescanValues();
    auto* answer = hostExtension<clap_host_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    if (answer && answer->loaded) answer->loaded(host, kind, location, key);
    return true;
}

}  // namespace calyx2clap
