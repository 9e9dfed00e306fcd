// The URID map and unmap features an LV2 host hands its plug-ins: URIs to small integers and back,
// the same number for the same URI for the life of the map. Plug-ins may map from any thread.
#pragma once

#include <lv2/urid/urid.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace host {

class Lv2UridMap {
  public:
    Lv2UridMap();
    Lv2UridMap(const Lv2UridMap&) = delete;
    Lv2UridMap& operator=(const Lv2UridMap&) = delete;

    LV2_URID map(const char* uri);
    // Null for an id never handed out.
    const char* unmap(LV2_URID id);

    LV2_URID_Map* mapFeatureData() { return &mapData_; }
    LV2_URID_Unmap* unmapFeatureData() { return &unmapData_; }

  private:
    std::mutex mutex_;
    std::unordered_map<std::string, LV2_URID> ids_;
    std::vector<const std::string*> uris_;  // id - 1 -> the key stored in ids_
    LV2_URID_Map mapData_;
    LV2_URID_Unmap unmapData_;
};

}  // namespace host
