#include "host/Lv2UridMap.h"

namespace host {

Lv2UridMap::Lv2UridMap() {
    mapData_.handle = this;
    mapData_.map = [](LV2_URID_Map_Handle handle, const char* uri) {
        return static_cast<Lv2UridMap*>(handle)->map(uri);
    };
    unmapData_.handle = this;
    unmapData_.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID id) {
        return static_cast<Lv2UridMap*>(handle)->unmap(id);
    };
}

LV2_URID Lv2UridMap::map(const char* uri) {
    if (!uri) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = ids_.emplace(uri, static_cast<LV2_URID>(uris_.size() + 1));
    if (found.second) uris_.push_back(&found.first->first);
    return found.first->second;
}

const char* Lv2UridMap::unmap(LV2_URID id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return id >= 1 && id <= uris_.size() ? uris_[id - 1]->c_str() : nullptr;
}

}  // namespace host
