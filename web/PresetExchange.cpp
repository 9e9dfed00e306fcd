// .fxp and .fxb files for the page's import and export buttons: the program or the whole bank as
// the plug-in's opaque chunk, in the byte format every VST 2.4 host reads (host/PresetFile).
#include <algorithm>
#include <string>
#include <vector>

#include "host/PresetFile.h"
#include "web/WebExport.h"
#include "web/WebSynth.h"

namespace {
std::string message;

host::Preset capture(bool wholeBank) {
    AEffect& effect = *web::synth()->getAeffect();
    host::Preset preset;
    preset.opaque = true;
    preset.pluginId = effect.uniqueID;
    preset.pluginVersion = effect.version;
    void* data = nullptr;
    const auto size = static_cast<size_t>(web::dispatch(effGetChunk, wholeBank ? 0 : 1, 0, &data, 0.0f));
    const auto* first = static_cast<const uint8_t*>(data);
    if (first) preset.chunk.assign(first, first + size);
    if (wholeBank) {
        preset.kind = host::Preset::Kind::Bank;
        preset.formatVersion = 2;
        preset.count = effect.numPrograms;
        preset.currentProgram = static_cast<int32_t>(web::dispatch(effGetProgram, 0, 0, nullptr, 0.0f));
    } else {
        preset.kind = host::Preset::Kind::Program;
        preset.count = effect.numParams;
        char name[kVstMaxProgNameLen + 1] = {};
        web::dispatch(effGetProgramName, 0, 0, name, 0.0f);
        preset.name = name;
    }
    return preset;
}

// The checks a host makes before handing a file's chunk over; the plug-in judges the chunk itself.
bool apply(host::Preset& preset, std::string& error) {
    AEffect& effect = *web::synth()->getAeffect();
    const char* what = preset.isBank() ? "bank" : "program";
    if (preset.pluginId != effect.uniqueID) {
        error = std::string("the ") + what + " is for plug-in '" + host::fourCharacterCode(preset.pluginId) + "'";
        return false;
    }
    if (!preset.opaque) {
        error = std::string("the ") + what + " holds parameter values but the plug-in takes only chunks";
        return false;
    }
    const int isPreset = preset.isBank() ? 0 : 1;
    const auto size = static_cast<VstIntPtr>(preset.chunk.size());
    if (web::dispatch(effSetChunk, isPreset, size, preset.chunk.data(), 0.0f) == 0) {
        error = std::string("the plug-in rejected the ") + what + " chunk";
        return false;
    }
    if (!preset.isBank() && !preset.name.empty()) {
        std::vector<char> name(preset.name.begin(), preset.name.end());
        name.resize(kVstMaxProgNameLen + 1, '\0');
        name[kVstMaxProgNameLen] = '\0';
        web::dispatch(effSetProgramName, 0, 0, name.data(), 0.0f);
    }
    if (preset.isBank() && preset.formatVersion >= 2 && preset.currentProgram >= 0 &&
        preset.currentProgram < effect.numPrograms) {
        web::dispatch(effSetProgram, 0, preset.currentProgram, nullptr, 0.0f);
    }
    return true;
}
}  // namespace

// Leaves the file image in the byte buffer and returns its size.
WEB_EXPORT int web_export_preset(int wholeBank) {
    const std::vector<uint8_t> file = host::serializePreset(capture(wholeBank != 0));
    uint8_t* destination = web::byteBuffer(static_cast<int>(file.size()));
    std::copy(file.begin(), file.end(), destination);
    return static_cast<int>(file.size());
}

// Loads the file image of `size` bytes the page put in the byte buffer; returns "" or why not.
WEB_EXPORT const char* web_import_preset(const uint8_t* image, int size) {
    const std::vector<uint8_t> file(image, image + (size > 0 ? size : 0));
    host::Preset preset;
    message.clear();
    if (host::parsePreset(file, preset, message)) apply(preset, message);
    return message.c_str();
}
