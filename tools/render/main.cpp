// calyx2-render: plays a MIDI file (or the demo piece) through a plug-in instrument into an audio file.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <vector>

#include "host/HostedPlugin.h"
#include "host/InstrumentLoader.h"
#include "host/PresetState.h"
#include "tools/common/AudioFileWriter.h"
#include "tools/common/DemoPiece.h"
#include "tools/common/EventSchedule.h"
#include "tools/common/ExitCodes.h"
#include "tools/common/MidiFile.h"
#include "tools/common/OutputFile.h"
#include "tools/common/ParameterLookup.h"
#include "tools/common/PluginLocator.h"
#include "tools/common/ProgressBar.h"
#include "tools/common/Renderer.h"
#include "tools/render/RenderOptions.h"

namespace {

using namespace tools;

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "calyx2-render: %s\n", message.c_str());
    return code;
}

struct LoadedPreset {
    std::string path;
    host::Preset preset;
};

bool loadPresetFiles(const std::vector<std::string>& paths, std::vector<LoadedPreset>& banks,
                     std::vector<LoadedPreset>& programs, std::string& error) {
    for (const std::string& path : paths) {
        std::vector<uint8_t> bytes;
        LoadedPreset loaded{path, {}};
        if (!readWholeFile(path, bytes, error)) return false;
        if (!host::parsePreset(bytes, loaded.preset, error)) {
            error = path + ": " + error;
            return false;
        }
        (loaded.preset.isBank() ? banks : programs).push_back(loaded);
    }
    return true;
}

int configurePlugin(host::Instrument& plugin, const RenderOptions& options, const std::vector<LoadedPreset>& banks,
                    const std::vector<LoadedPreset>& programs) {
    std::string error;
    // .fxp/.fxb files are VST 2.4 chunks and parameter lists.
    auto* vst = dynamic_cast<host::HostedPlugin*>(&plugin);
    bool usesPresetFiles = !banks.empty() || !programs.empty() || !options.savePresetPath.empty();
    if (usesPresetFiles && !vst) {
        return fail(kExitUsage, ".fxp/.fxb files need a VST 2.4 plug-in, and this one is " + plugin.formatName());
    }
    for (const LoadedPreset& bank : banks) {
        if (!host::applyPreset(*vst, bank.preset, error)) return fail(kExitInput, bank.path + ": " + error);
    }
    if (!options.program.empty()) {
        int program = findProgram(plugin, options.program, error);
        if (program < 0) return fail(kExitUsage, error);
        plugin.setProgram(program);
    }
    for (const LoadedPreset& program : programs) {
        if (!host::applyPreset(*vst, program.preset, error)) return fail(kExitInput, program.path + ": " + error);
    }
    for (const std::string& text : options.settings) {
        ParameterSetting setting;
        if (!parseParameterSetting(text, setting, error)) return fail(kExitUsage, error);
        int index = findParameter(plugin, setting.key, error);
        if (index < 0) return fail(kExitUsage, "--set " + text + ": " + error);
        plugin.setParameter(index, setting.value);
    }
    if (!options.savePresetPath.empty()) {
        bool bank = lowercaseExtension(options.savePresetPath) == ".fxb";
        host::Preset preset = bank ? host::captureBank(*vst) : host::captureProgram(*vst);
        if (!writeFileAtomically(options.savePresetPath, host::serializePreset(preset), error)) {
            return fail(kExitOutput, error);
        }
    }
    return kExitOk;
}

void printBench(const RenderOptions& options, const std::string& pluginName, const RenderStatistics& statistics) {
    double audioSeconds = static_cast<double>(statistics.framesRendered) / options.sampleRate;
    double budget = 1e6 * options.blockSize / options.sampleRate;
    double mean = statistics.blocks ? 1e6 * statistics.processSeconds / statistics.blocks : 0.0;
    std::printf("plug-in:       %s\n", pluginName.c_str());
    std::printf("audio:         %.2f s at %d Hz in %lld blocks of at most %d frames\n", audioSeconds, options.sampleRate,
                static_cast<long long>(statistics.blocks), options.blockSize);
    std::printf("process time:  %.4f s\n", statistics.processSeconds);
    std::printf("realtime:      %.1fx\n", statistics.processSeconds > 0 ? audioSeconds / statistics.processSeconds : 0.0);
    std::printf("per block:     %.1f us mean, %.1f us longest (a full block lasts %.1f us)\n", mean,
                1e6 * statistics.longestBlockSeconds, budget);
}

int run(const RenderOptions& options) {
    std::string error;
    MidiFile midi;
    bool demo = options.midiPath.empty();
    if (demo) {
        midi = demoPiece();
    } else {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(options.midiPath, bytes, error)) return fail(kExitInput, error);
        if (!parseMidiFile(bytes, midi, error)) return fail(kExitInput, options.midiPath + ": " + error);
    }
    std::vector<LoadedPreset> banks, programs;
    if (!loadPresetFiles(options.presetPaths, banks, programs, error)) return fail(kExitInput, error);

    std::string pluginPath;
    if (!locatePlugin(options.pluginPath, pluginPath, error)) return fail(kExitPlugin, error);
    auto plugin = host::loadInstrument(pluginPath, error);
    if (!plugin) return fail(kExitPlugin, error);
    if (plugin->numOutputs() < 1) return fail(kExitPlugin, pluginPath + ": the plug-in has no audio outputs");
    plugin->open();
    plugin->setSampleRate(static_cast<float>(options.sampleRate));
    plugin->setBlockSize(options.blockSize);
    if (int code = configurePlugin(*plugin, options, banks, programs)) return code;

    AudioFileWriter writer;
    if (!options.bench &&
        !writer.open(options.outputPath, plugin->numOutputs(), options.sampleRate, options.sampleFormat, error)) {
        return fail(kExitOutput, error);
    }

    double tempo = options.tempo > 0 ? options.tempo : demo ? kDemoBeatsPerMinute : 120.0;
    EventSchedule schedule = scheduleMidiFile(midi, options.sampleRate, tempo);
    // A stray huge delta time would otherwise mean rendering for days.
    constexpr double kLongestHours = 24.0;
    double hours = static_cast<double>(schedule.endSample) / options.sampleRate / 3600.0;
    if (hours > kLongestHours) {
        char text[160];
        std::snprintf(text, sizeof text, "%s: the music lasts %.0f hours, more than %.0f; is the file damaged?",
                      options.midiPath.c_str(), hours, kLongestHours);
        return fail(kExitInput, text);
    }
    RenderSettings settings;
    settings.maxTailSeconds = options.maxTailSeconds;
    bool sinkFailed = false;
    const float gain = static_cast<float>(std::pow(10.0, options.gainDecibels / 20.0));
    std::vector<std::vector<float>> scaled;
    std::vector<const float*> scaledPointers;
    float peakWritten = 0.0f;
    AudioSink sink = [&](const float* const* channels, int count, int32_t frames) {
        if (interrupted) return false;
        if (options.bench) return true;
        scaled.resize(static_cast<size_t>(count));
        scaledPointers.resize(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) {
            scaled[c].resize(static_cast<size_t>(frames));
            for (int32_t i = 0; i < frames; ++i) {
                scaled[c][i] = channels[c][i] * gain;
                peakWritten = std::max(peakWritten, std::fabs(scaled[c][i]));
            }
            scaledPointers[c] = scaled[c].data();
        }
        sinkFailed = !writer.write(scaledPointers.data(), count, frames);
        return !sinkFailed;
    };
    ProgressBar progress(options.bench ? "benchmark" : "rendering", !options.quiet && standardErrorIsTerminal());
    RenderStatistics statistics;
    bool rendered = renderSchedule(*plugin, schedule, settings, sink,
                                   [&](int64_t done, int64_t total) { progress.update(done, total); }, statistics);
    progress.finish();
    std::string pluginName = plugin->effectName();
    int channels = plugin->numOutputs();
    plugin->close();

    if (interrupted) return fail(128 + SIGINT, "interrupted; nothing written");
    if (sinkFailed) return fail(kExitOutput, writer.writeError());
    if (!rendered) return fail(kExitPlugin, "the plug-in refused a block; nothing written");
    if (statistics.nonFinite) {
        return fail(kExitPlugin, "the plug-in produced NaN or infinite samples; nothing written");
    }
    if (options.bench) {
        printBench(options, pluginName.empty() ? pluginPath : pluginName, statistics);
        return kExitOk;
    }
    if (!writer.finish(error)) return fail(kExitOutput, error);

    if (!options.quiet) {
        double seconds = static_cast<double>(statistics.framesOut) / options.sampleRate;
        double peakDb = peakWritten > 0 ? 20.0 * std::log10(peakWritten) : -INFINITY;
        double speed = statistics.processSeconds > 0
                           ? static_cast<double>(statistics.framesRendered) / options.sampleRate / statistics.processSeconds
                           : 0.0;
        std::fprintf(stderr, "calyx2-render: wrote %s (%.2f s, %d Hz, %s, %s), peak %.1f dBFS, %.1fx realtime\n",
                     options.outputPath == "-" ? "standard output" : options.outputPath.c_str(), seconds,
                     options.sampleRate, channels == 1 ? "mono" : channels == 2 ? "stereo" : (std::to_string(channels) + " channels").c_str(),
                     sampleFormatName(options.sampleFormat), peakDb, speed);
        if (statistics.tailCapped) {
            std::fprintf(stderr, "calyx2-render: warning: still sounding when the %.0f s tail limit was reached\n",
                         options.maxTailSeconds);
        }
        if (peakWritten > 1.0f && options.sampleFormat != SampleFormat::Float32) {
            std::fprintf(stderr, "calyx2-render: warning: the output exceeds full scale by %.1f dB and was clipped "
                                 "(try --gain or --depth float)\n", 20.0 * std::log10(peakWritten));
        }
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc, argv, options, error)) return fail(kExitUsage, error + " (see --help)");
    if (options.help) {
        std::fputs(kRenderHelp, stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("calyx2-render %s\n", CALYX2_VERSION);
        return kExitOk;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return run(options);
}
