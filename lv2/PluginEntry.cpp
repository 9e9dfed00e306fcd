// The bundle binary's one export: the descriptor through which an LV2 host reaches Calyx2Lv2.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <cstring>

#include "lv2/Calyx2Lv2.h"

namespace {
Calyx2Lv2* self(LV2_Handle instance) {
    return static_cast<Calyx2Lv2*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    return Calyx2Lv2::create(rate, features);
}
void connectPort(LV2_Handle instance, uint32_t port, void* data) {
    self(instance)->connectPort(port, data);
}
void activate(LV2_Handle instance) {
    self(instance)->activate();
}
void run(LV2_Handle instance, uint32_t frames) {
    self(instance)->run(frames);
}
void deactivate(LV2_Handle instance) {
    self(instance)->deactivate();
}
void cleanup(LV2_Handle instance) {
    delete self(instance);
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
    return self(instance)->save(store, handle);
}
LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*) {
    return self(instance)->restore(retrieve, handle);
}

const LV2_State_Interface kStateInterface = {save, restore};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &kStateInterface : nullptr;
}

const LV2_Descriptor kDescriptor = {lv2id::kPluginUri, instantiate, connectPort,  activate, run,
                                    deactivate,        cleanup,     extensionData};
}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
