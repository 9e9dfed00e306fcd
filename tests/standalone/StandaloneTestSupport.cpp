#include "tests/standalone/StandaloneTestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/ParameterIndex.h"
#include "host/PresetFile.h"
#include "plugin/ProgramBank.h"
#include "standalone/PluginDriver.h"
#include "standalone/PresetImport.h"

namespace {
constexpr float kOctaveOfConcertPitch = 0.2f;  // octave setting 1: MIDI note 69 at 440 Hz
constexpr float kPlainToneLevel = 0.8f;
}  // namespace

void writePlainTonePreset(const std::string& path, const std::string& name) {
    PluginDriver plugin;
    for (int op = 0; op < 4; ++op) plugin.setParameter(param::operatorBase(op) + param::LVL, 0.0f);
    const std::pair<int, float> settings[] = {
        {param::LVLm, kPlainToneLevel}, {param::OCTm, kOctaveOfConcertPitch}, {param::WAVm, 0.0f},
        {param::FEBm, 0.0f}, {param::Am, 0.0f}, {param::Sm, 1.0f}, {param::Rm, 0.0f}, {param::LFOm, 0.0f},
        {param::LFO_PCH, 0.0f}, {param::C_LVL, 0.0f}, {param::D_LVL, 0.0f},
    };
    for (const auto& [index, value] : settings) plugin.setParameter(index, value);
    host::Preset preset;
    preset.kind = host::Preset::Kind::Program;
    preset.opaque = true;
    preset.pluginId = plugin.effect()->uniqueID;
    preset.pluginVersion = plugin.effect()->version;
    preset.count = plugin.effect()->numParams;
    preset.name = name;
    preset.chunk = plugin.chunk(true);
    const std::vector<uint8_t> bytes = host::serializePreset(preset);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void renderInProcess(const std::string& presetPath, const std::vector<ScheduledMessage>& schedule, int cycles,
                     int period, std::vector<float>& left, std::vector<float>& right) {
    PluginDriver plugin;
    std::string error;
    importPresetFile(presetPath, plugin, error);
    plugin.configure(48000.0f, period);
    left.assign(std::size_t(cycles) * std::size_t(period), 0.0f);
    right.assign(left.size(), 0.0f);
    for (int cycle = 0; cycle < cycles; ++cycle) {
        for (const ScheduledMessage& message : schedule)
            if (message.cycle == cycle) plugin.addEvent({message.status, message.data1, message.data2}, message.frame);
        const std::size_t at = std::size_t(cycle) * std::size_t(period);
        plugin.render(&left[at], &right[at], period);
    }
}

int firstSoundingCycle(const std::vector<float>& samples, int period) {
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0.0f) return int(i / std::size_t(period));
    return -1;
}

std::vector<std::string> standaloneCommand(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), CALYX2_STANDALONE_FILE);
    return arguments;
}

std::map<std::string, std::string> standaloneEnvironment(const std::string& configFolder) {
    return {{"XDG_CONFIG_HOME", configFolder}};
}

bool readSavedBank(const std::string& configFolder, int& program, std::vector<float>& values) {
    std::ifstream file(configFolder + "/calyx2/bank.fxb", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    host::Preset bank;
    std::string error;
    if (!host::parsePreset(bytes, bank, error) || bank.chunk.size() != std::size_t(kBankChunkSize)) return false;
    program = bank.currentProgram;
    ProgramRecord record;
    std::memcpy(&record, bank.chunk.data() + std::size_t(program) * sizeof(ProgramRecord), sizeof record);
    values.assign(record.values, record.values + param::Count);
    return true;
}
