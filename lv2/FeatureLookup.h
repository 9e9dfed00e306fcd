// The data of the host feature with this URI, or null: the one question the plug-in and its UI ask of
// the host's feature lists.
#pragma once

#include <lv2/core/lv2.h>

#include <cstring>

inline const void* findFeature(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}
