// The params extension: the 69 parameters by index, which is also their id.
#include <cstring>

#include "clap/Calyx2Clap.h"
#include "clap/ParameterText.h"
#include "plugin/ParameterTable.h"

namespace calyx2clap {
namespace {
bool isParameterId(clap_id id) { return id < static_cast<clap_id>(param::Count); }
}  // namespace

const clap_plugin_params_t Calyx2Clap::kParams = {
    [](const clap_plugin_t*) -> uint32_t { return param::Count; },
    [](const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) {
        return info && of(p)->parameterInfo(index, *info);
    },
    [](const clap_plugin_t* p, clap_id id, double* value) {
        Calyx2Clap* self = of(p);
        if (!value || !isParameterId(id) || !self->effect) return false;
        *value = self->effect->getParameter(self->effect, static_cast<VstInt32>(id));
        return true;
    },
    [](const clap_plugin_t*, clap_id id, double value, char* buffer, uint32_t capacity) {
        return isParameterId(id) && formatParameterValue(value, buffer, capacity);
    },
    [](const clap_plugin_t*, clap_id id, const char* text, double* value) {
        return isParameterId(id) && value && parseParameterValue(text, *value);
    },
    [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
        of(p)->flushParameters(in, out);
    },
};

bool Calyx2Clap::parameterInfo(uint32_t index, clap_param_info_t& info) const {
    if (!isParameterId(index)) return false;
    info = clap_param_info_t{};
    info.id = index;
    info.flags = kParameterTable[index].automatable ? uint32_t{CLAP_PARAM_IS_AUTOMATABLE} : 0u;
    std::strncpy(info.name, kParameterTable[index].name, CLAP_NAME_SIZE - 1);
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = defaults[index];
    return true;
}

void Calyx2Clap::flushParameters(const clap_input_events_t* in, const clap_output_events_t* out) {
    if (!effect) return;
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap_event_header_t* event = in->get(in, i)) applyParameterEvent(*event);
    sendPanelEdits(out);
}

}  // namespace calyx2clap
