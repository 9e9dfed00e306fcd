// Ports and latency: no audio input, one stereo main output, one note input that takes CLAP note
// events and MIDI, and no latency.
#include <cstring>

#include "clap/Calyx2Clap.h"

namespace calyx2clap {

const clap_plugin_audio_ports_t Calyx2Clap::kAudioPorts = {
    [](const clap_plugin_t*, bool isInput) -> uint32_t { return isInput ? 0 : 1; },
    [](const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
        if (!info || isInput || index != 0) return false;
        *info = clap_audio_port_info_t{};
        info->id = 0;
        std::strncpy(info->name, "Output", CLAP_NAME_SIZE - 1);
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = 2;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = CLAP_INVALID_ID;
        return true;
    },
};

const clap_plugin_note_ports_t Calyx2Clap::kNotePorts = {
    [](const clap_plugin_t*, bool isInput) -> uint32_t { return isInput ? 1 : 0; },
    [](const clap_plugin_t*, uint32_t index, bool isInput, clap_note_port_info_t* info) {
        if (!info || !isInput || index != 0) return false;
        *info = clap_note_port_info_t{};
        info->id = 0;
        info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
        info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
        std::strncpy(info->name, "Notes", CLAP_NAME_SIZE - 1);
        return true;
    },
};

const clap_plugin_latency_t Calyx2Clap::kLatency = {
    [](const clap_plugin_t*) -> uint32_t { return 0; },
};

}  // namespace calyx2clap
