#include "standalone/PresetImport.h"

#include <fstream>
#include <iterator>

#include "host/PresetFile.h"
#include "standalone/PluginDriver.h"

namespace {
void setProgramName(PluginDriver& plugin, const std::string& name) {
    std::string field = name.substr(0, kVstMaxProgNameLen);
    plugin.dispatch(effSetProgramName, 0, 0, field.data());
}

bool parametersInto(PluginDriver& plugin, const host::Preset& program, std::string& error) {
    if (int(program.parameters.size()) != plugin.effect()->numParams) {
        error = "a program has " + std::to_string(program.parameters.size()) + " parameters, Calyx2 has " +
                std::to_string(plugin.effect()->numParams);
        return false;
    }
    for (std::size_t i = 0; i < program.parameters.size(); ++i) plugin.setParameter(int(i), program.parameters[i]);
    setProgramName(plugin, program.name);
    return true;
}

bool applyBank(PluginDriver& plugin, const host::Preset& bank, std::string& error) {
    const int programs = plugin.effect()->numPrograms;
    const bool namesCurrent = bank.formatVersion >= 2 && bank.currentProgram >= 0 && bank.currentProgram < programs;
    if (bank.opaque) {
        if (!plugin.setChunk(bank.chunk, false)) {
            error = "Calyx2 rejected the bank chunk (" + std::to_string(bank.chunk.size()) + " bytes)";
            return false;
        }
    } else {
        if (int(bank.programs.size()) > programs) {
            error = "the bank has " + std::to_string(bank.programs.size()) + " programs, Calyx2 has " +
                    std::to_string(programs);
            return false;
        }
        const int current = plugin.program();
        for (std::size_t p = 0; p < bank.programs.size(); ++p) {
            plugin.setProgram(int(p));
            if (!parametersInto(plugin, bank.programs[p], error)) return false;
        }
        plugin.setProgram(current);
    }
    if (namesCurrent) plugin.setProgram(bank.currentProgram);
    return true;
}
}  // namespace

bool importPresetFile(const std::string& path, PluginDriver& plugin, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    host::Preset preset;
    std::string why;
    if (!host::parsePreset(bytes, preset, why)) {
        error = path + ": " + why;
        return false;
    }
    if (preset.pluginId != plugin.effect()->uniqueID) {
        error = path + ": made for plug-in '" + host::fourCharacterCode(preset.pluginId) + "', not Calyx2 ('" +
                host::fourCharacterCode(plugin.effect()->uniqueID) + "')";
        return false;
    }
    bool applied = false;
    if (preset.isBank()) {
        applied = applyBank(plugin, preset, why);
    } else if (preset.opaque) {
        applied = plugin.setChunk(preset.chunk, true);
        if (!applied) why = "Calyx2 rejected the program chunk (" + std::to_string(preset.chunk.size()) + " bytes)";
        if (applied && !preset.name.empty()) setProgramName(plugin, preset.name);
    } else {
        applied = parametersInto(plugin, preset, why);
    }
    if (!applied) error = path + ": " + why;
    return applied;
}
