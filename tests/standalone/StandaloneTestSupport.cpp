#include "tests/standalone/StandaloneTestSupport.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/ParameterIndex.h"
#include "host/PresetFile.h"
#include "plugin/ProgramBank.h"
#include "standalone/PluginDriver.h"
#include "standalone/PresetImport.h"
#include "tests/standalone/AppProcess.h"
#include "tests/tools/SmfBytes.h"

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

namespace {
constexpr int kTicksPerQuarter = 24000;          // one tick a sample at 48 kHz and 120 beats a minute
constexpr uint32_t kMicrosecondsPerQuarter = 500000;
constexpr uint16_t kFloatFormat = 3;
constexpr uint16_t kExtensibleFormat = 0xFFFE;

uint32_t littleEndian(const std::vector<uint8_t>& bytes, std::size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + std::size_t(i)];
    return value;
}

std::vector<uint8_t> midiFileOf(const std::vector<ScheduledMessage>& schedule, int period) {
    smfbytes::Bytes events;
    smfbytes::tempo(events, 0, kMicrosecondsPerQuarter);
    uint32_t now = 0;
    for (const ScheduledMessage& message : schedule) {
        const uint32_t at = uint32_t(message.cycle * period + message.frame);
        smfbytes::delta(events, at - now);
        smfbytes::append(events, {message.status, message.data1, message.data2});
        now = at;
    }
    smfbytes::endOfTrack(events, 0);
    return smfbytes::file(smfbytes::header(0, 1, kTicksPerQuarter), {smfbytes::track(events)});
}

// Two-channel float WAV, as calyx2-render writes it with --depth float.
bool readFloatWav(const std::string& path, std::vector<float>& left, std::vector<float>& right) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return false;
    bool floats = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = littleEndian(bytes, at + 4, 4);
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0) {
            const uint32_t format = littleEndian(bytes, at + 8, 2);
            floats = (format == kFloatFormat || format == kExtensibleFormat) && littleEndian(bytes, at + 10, 2) == 2 &&
                     littleEndian(bytes, at + 22, 2) == 32;
        } else if (std::memcmp(&bytes[at], "data", 4) == 0 && floats) {
            const std::size_t frames = std::min<std::size_t>(size, bytes.size() - at - 8) / 8;
            left.resize(frames);
            right.resize(frames);
            for (std::size_t i = 0; i < frames; ++i) {
                std::memcpy(&left[i], &bytes[at + 8 + 8 * i], 4);
                std::memcpy(&right[i], &bytes[at + 12 + 8 * i], 4);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}
}  // namespace

bool renderWithTool(const std::string& renderTool, const std::string& plugin, const std::string& presetPath,
                    const std::vector<ScheduledMessage>& schedule, int period, std::vector<float>& left,
                    std::vector<float>& right, std::string& error) {
    const std::string folder = temporaryFolder();
    const std::string midi = folder + "/events.mid";
    const std::string audio = folder + "/rendered.wav";
    const std::vector<uint8_t> bytes = midiFileOf(schedule, period);
    std::ofstream(midi, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    AppProcess tool({renderTool, "-q", "-p", plugin, "-s", "48000", "-b", std::to_string(period), "-d", "float",
                     "--preset", presetPath, "-o", audio, midi},
                    {});
    const int exitCode = tool.wait(60.0);
    if (exitCode != 0 || !readFloatWav(audio, left, right)) {
        error = "calyx2-render exited with " + std::to_string(exitCode) + ": " + tool.errorOutput();
        return false;
    }
    return true;
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
