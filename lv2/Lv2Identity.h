// What the LV2 side of Calyx2 is known by: its URIs, its state keys and its ports. The plug-in, its
// UI, the Turtle generator and the tests all read these, so a name lives in one place.
#pragma once

#include <cstdint>

#include "engine/ParameterIndex.h"

namespace lv2id {

constexpr const char* kPluginUri = "urn:tamberlow:calyx2";
constexpr const char* kUiUri = "urn:tamberlow:calyx2#ui";
// Factory program p is the preset kPresetUriPrefix followed by p in two digits.
constexpr const char* kPresetUriPrefix = "urn:tamberlow:calyx2#program-";

// State: the 9600-byte bank exactly as the VST 2.4 bank chunk carries it, and the current program.
constexpr const char* kBankStateKey = "urn:tamberlow:calyx2#bank";
constexpr const char* kProgramStateKey = "urn:tamberlow:calyx2#program";

}  // namespace lv2id

// Port indices: parameter i is port i, so a port index and a parameter index are the same number.
namespace lv2port {
constexpr uint32_t kFirstParameter = 0;
constexpr uint32_t kEvents = param::Count;
constexpr uint32_t kLeftOutput = param::Count + 1;
constexpr uint32_t kRightOutput = param::Count + 2;
constexpr uint32_t kCount = param::Count + 3;

constexpr bool isParameter(uint32_t port) {
    return port < static_cast<uint32_t>(param::Count);
}
}  // namespace lv2port
