#include "host/PresetState.h"

namespace host {
namespace {

Preset programFromParameters(HostedPlugin& plugin) {
    Preset program;
    program.kind = Preset::Kind::Program;
    program.opaque = false;
    program.pluginId = plugin.uniqueId();
    program.pluginVersion = plugin.version();
    program.name = plugin.programName();
    program.count = plugin.numParameters();
    for (int index = 0; index < plugin.numParameters(); ++index) program.parameters.push_back(plugin.parameter(index));
    return program;
}

void parametersIntoProgram(HostedPlugin& plugin, const Preset& program) {
    plugin.setProgramName(program.name);
    for (size_t index = 0; index < program.parameters.size(); ++index) {
        plugin.setParameter(static_cast<int>(index), program.parameters[index]);
    }
}

// The answer to effSetChunk is not defined the same way by every plug-in: a non-zero answer means
// accepted; after a zero one the chunk counts as accepted only if the plug-in now hands it back unchanged.
bool chunkAccepted(HostedPlugin& plugin, const std::vector<uint8_t>& chunk, bool oneProgram) {
    if (plugin.setChunk(chunk, oneProgram) != 0) return true;
    return plugin.chunk(oneProgram) == chunk;
}

}  // namespace

Preset captureProgram(HostedPlugin& plugin) {
    if (!plugin.hasFlag(effFlagsProgramChunks)) return programFromParameters(plugin);
    Preset program;
    program.kind = Preset::Kind::Program;
    program.opaque = true;
    program.pluginId = plugin.uniqueId();
    program.pluginVersion = plugin.version();
    program.count = plugin.numParameters();
    program.name = plugin.programName();
    program.chunk = plugin.chunk(true);
    return program;
}

Preset captureBank(HostedPlugin& plugin) {
    Preset bank;
    bank.kind = Preset::Kind::Bank;
    bank.formatVersion = 2;
    bank.pluginId = plugin.uniqueId();
    bank.pluginVersion = plugin.version();
    bank.count = plugin.numPrograms();
    bank.currentProgram = plugin.program();
    if (plugin.hasFlag(effFlagsProgramChunks)) {
        bank.opaque = true;
        bank.chunk = plugin.chunk(false);
        return bank;
    }
    bank.opaque = false;
    for (int index = 0; index < plugin.numPrograms(); ++index) {
        plugin.setProgram(index);
        bank.programs.push_back(programFromParameters(plugin));
    }
    plugin.setProgram(bank.currentProgram);
    return bank;
}

bool applyPreset(HostedPlugin& plugin, const Preset& preset, std::string& error) {
    const char* what = preset.isBank() ? "bank" : "program";
    if (preset.pluginId != plugin.uniqueId()) {
        error = std::string("the ") + what + " is for plug-in '" + fourCharacterCode(preset.pluginId) +
                "', this plug-in is '" + fourCharacterCode(plugin.uniqueId()) + "'";
        return false;
    }
    if (preset.opaque != plugin.hasFlag(effFlagsProgramChunks)) {
        error = preset.opaque ? std::string("the ") + what + " holds a chunk but the plug-in does not take chunks"
                              : std::string("the ") + what + " holds parameter values but the plug-in takes only chunks";
        return false;
    }
    if (!preset.isBank()) {
        if (preset.opaque) {
            if (!chunkAccepted(plugin, preset.chunk, true)) {
                error = "the plug-in rejected the program chunk (" + std::to_string(preset.chunk.size()) + " bytes)";
                return false;
            }
            if (!preset.name.empty()) plugin.setProgramName(preset.name);
            return true;
        }
        if (static_cast<int>(preset.parameters.size()) != plugin.numParameters()) {
            error = "the program has " + std::to_string(preset.parameters.size()) + " parameters, the plug-in " +
                    std::to_string(plugin.numParameters());
            return false;
        }
        parametersIntoProgram(plugin, preset);
        return true;
    }
    if (preset.opaque) {
        if (!chunkAccepted(plugin, preset.chunk, false)) {
            error = "the plug-in rejected the bank chunk (" + std::to_string(preset.chunk.size()) + " bytes)";
            return false;
        }
        if (preset.formatVersion >= 2 && preset.currentProgram >= 0 && preset.currentProgram < plugin.numPrograms()) {
            plugin.setProgram(preset.currentProgram);
        }
        return true;
    }
    if (static_cast<int>(preset.programs.size()) > plugin.numPrograms()) {
        error = "the bank has " + std::to_string(preset.programs.size()) + " programs, the plug-in " +
                std::to_string(plugin.numPrograms());
        return false;
    }
    for (const Preset& program : preset.programs) {
        if (static_cast<int>(program.parameters.size()) != plugin.numParameters()) {
            error = "a program of the bank has " + std::to_string(program.parameters.size()) +
                    " parameters, the plug-in " + std::to_string(plugin.numParameters());
            return false;
        }
    }
    int current = plugin.program();
    for (size_t index = 0; index < preset.programs.size(); ++index) {
        plugin.setProgram(static_cast<int>(index));
        parametersIntoProgram(plugin, preset.programs[index]);
    }
    bool keepsCurrent = preset.formatVersion >= 2 && preset.currentProgram >= 0 &&
                        preset.currentProgram < plugin.numPrograms();
    plugin.setProgram(keepsCurrent ? preset.currentProgram : current);
    return true;
}

}  // namespace host
