// calyx2-render: plays a MIDI file (or the demo piece) through a plug-in instrument into an audio file.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/HostedPlugin.h"
#include "host/InstrumentLoader.h"
#include "host/PresetState.h"
#include "tools/common/AudioFileReader.h"
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
#include "tools/common/ScratchAudio.h"
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
    // The audio is what a file would hold; the realtime factor counts everything the plug-in rendered,
    // the quiet end that is cut off included, since that is the work it did.
    double audioSeconds = static_cast<double>(statistics.framesOut) / options.sampleRate;
    double renderedSeconds = static_cast<double>(statistics.framesRendered) / options.sampleRate;
    double budget = 1e6 * options.blockSize / options.sampleRate;
    double mean = statistics.blocks ? 1e6 * statistics.processSeconds / statistics.blocks : 0.0;
    std::printf("plug-in:       %s\n", pluginName.c_str());
    std::printf("audio:         %.2f s at %d Hz (%.2f s rendered) in %lld blocks of at most %d frames\n", audioSeconds,
                options.sampleRate, renderedSeconds, static_cast<long long>(statistics.blocks), options.blockSize);
    std::printf("process time:  %.4f s\n", statistics.processSeconds);
    std::printf("realtime:      %.1fx\n", statistics.processSeconds > 0 ? renderedSeconds / statistics.processSeconds : 0.0);
    std::printf("per block:     %.1f us mean, %.1f us longest (a full block lasts %.1f us)\n", mean,
                1e6 * statistics.longestBlockSeconds, budget);
}

std::string channelWord(int channels) {
    return channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

// Every file the command reads, so that no output replaces one of them.
std::vector<std::string> inputsOf(const RenderOptions& options) {
    std::vector<std::string> inputs = options.presetPaths;
    inputs.insert(inputs.end(), options.plugins.begin(), options.plugins.end());
    for (const std::string& path : {options.midiPath, options.inputPath}) {
        if (!path.empty()) inputs.push_back(path);
    }
    return inputs;
}

struct Chain {
    std::vector<std::unique_ptr<host::Instrument>> plugins;
    std::vector<std::string> paths;
    std::vector<host::Instrument*> stages() const {
        std::vector<host::Instrument*> stages;
        for (const auto& plugin : plugins) stages.push_back(plugin.get());
        return stages;
    }
};

int loadChain(const RenderOptions& options, int sampleRate, Chain& chain) {
    std::string error;
    std::vector<std::string> names = options.plugins.empty() ? std::vector<std::string>{""} : options.plugins;
    for (const std::string& name : names) {
        std::string path;
        if (!locatePlugin(name, path, error)) return fail(kExitPlugin, error);
        auto plugin = host::loadInstrument(path, error);
        if (!plugin) return fail(kExitPlugin, error);
        if (plugin->numOutputs() < 1) return fail(kExitPlugin, path + ": the plug-in has no audio outputs");
        plugin->open();
        plugin->setSampleRate(static_cast<float>(sampleRate));
        plugin->setBlockSize(options.blockSize);
        chain.paths.push_back(path);
        chain.plugins.push_back(std::move(plugin));
    }
    host::Instrument& first = *chain.plugins.front();
    if (!first.playsNotes() && options.inputPath.empty()) {
        return fail(kExitUsage, chain.paths[0] + " is an effect (" + std::to_string(first.numInputs()) +
                                    " audio inputs) and gets no input: give it audio with --input FILE, or put an "
                                    "instrument before it with -p");
    }
    if (!options.inputPath.empty() && first.numInputs() == 0) {
        return fail(kExitUsage, chain.paths[0] + " takes no audio input, so --input has nowhere to go");
    }
    for (size_t i = 1; i < chain.plugins.size(); ++i) {
        if (chain.plugins[i]->numInputs() == 0) {
            return fail(kExitUsage, chain.paths[i] + " takes no audio input, so it cannot follow another plug-in");
        }
    }
    return kExitOk;
}

int run(RenderOptions options) {
    std::string error;
    std::string clash = overwritesInput(options.outputPath, inputsOf(options));
    if (clash.empty()) clash = overwritesInput(options.savePresetPath, inputsOf(options));
    if (!clash.empty()) return fail(kExitOutput, clash);

    MidiFile midi;
    bool demo = options.midiPath.empty();
    if (!demo) {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(options.midiPath, bytes, error)) return fail(kExitInput, error);
        if (!parseMidiFile(bytes, midi, error)) return fail(kExitInput, options.midiPath + ": " + error);
        if (!checkSelection(midi, options.selection, error)) return fail(kExitUsage, error);
        applySelection(midi, options.selection);
    }
    AudioFileReader input;
    if (!options.inputPath.empty()) {
        if (!input.open(options.inputPath, error)) return fail(kExitInput, error);
        if (!options.sampleRateGiven) options.sampleRate = input.sampleRate();
        if (input.sampleRate() != options.sampleRate) {
            return fail(kExitUsage, options.inputPath + " is at " + std::to_string(input.sampleRate()) +
                                        " Hz and --sample-rate asks for " + std::to_string(options.sampleRate) +
                                        "; this tool does not resample");
        }
    }
    std::vector<LoadedPreset> banks, programs;
    if (!loadPresetFiles(options.presetPaths, banks, programs, error)) return fail(kExitInput, error);

    Chain chain;
    if (int code = loadChain(options, options.sampleRate, chain)) return code;
    host::Instrument& plugin = *chain.plugins.front();
    const std::string& pluginPath = chain.paths.front();
    if (int code = configurePlugin(plugin, options, banks, programs)) return code;
    // An effect given no MIDI file plays its input alone, not the demo piece.
    if (demo && plugin.playsNotes()) midi = demoPiece();

    const int channels = chain.plugins.back()->numOutputs();
    AudioFileWriter writer;
    if (!options.bench && !writer.open(options.outputPath, channels, options.sampleRate, options.sampleFormat, error)) {
        return fail(kExitOutput, error);
    }
    ScratchAudio scratch;
    if (options.normalize && !options.bench && !scratch.open(channels, error)) return fail(kExitOutput, error);

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
    settings.followProgramChanges = options.followProgramChanges;
    if (!options.inputPath.empty()) {
        settings.input = [&](float* const* data, int count, int32_t frames) { return input.read(data, count, frames); };
        settings.inputFrames = input.frames();
    }
    bool sinkFailed = false;
    float gain = static_cast<float>(std::pow(10.0, options.gainDecibels / 20.0));
    std::vector<std::vector<float>> scaled;
    std::vector<const float*> scaledPointers;
    float peakWritten = 0.0f;
    // Writes gain x the audio; the audio streams out as it renders, or goes to scratch when normalising.
    auto writeScaled = [&](const float* const* data, int count, int32_t frames) {
        scaled.resize(static_cast<size_t>(count));
        scaledPointers.resize(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) {
            scaled[c].resize(static_cast<size_t>(frames));
            for (int32_t i = 0; i < frames; ++i) {
                scaled[c][i] = data[c][i] * gain;
                peakWritten = std::max(peakWritten, std::fabs(scaled[c][i]));
            }
            scaledPointers[c] = scaled[c].data();
        }
        sinkFailed = !writer.write(scaledPointers.data(), count, frames);
        return !sinkFailed;
    };
    AudioSink sink = [&](const float* const* data, int count, int32_t frames) {
        if (interrupted) return false;
        if (options.bench) return true;
        if (options.normalize) {
            sinkFailed = !scratch.append(data, count, frames);
            return !sinkFailed;
        }
        return writeScaled(data, count, frames);
    };
    ProgressBar progress(options.bench ? "benchmark" : "rendering", !options.quiet && standardErrorIsTerminal());
    RenderStatistics statistics;
    bool rendered = renderSchedule(chain.stages(), schedule, settings, sink,
                                   [&](int64_t done, int64_t total) { progress.update(done, total); }, statistics);
    progress.finish();
    std::string pluginName = plugin.effectName();
    for (auto& stage : chain.plugins) stage->close();

    const char* lost = writer.streamsToStandardOutput() ? "the output is incomplete" : "nothing written";
    if (interrupted) return fail(kExitInterrupted, std::string("interrupted; ") + lost);
    if (sinkFailed) return fail(kExitOutput, options.normalize ? "cannot write the temporary file" : writer.writeError());
    if (!rendered) return fail(kExitPlugin, std::string("the plug-in refused a block; ") + lost);
    if (statistics.nonFinite) return fail(kExitPlugin, std::string("the plug-in produced NaN or infinite samples; ") + lost);
    if (options.bench) {
        printBench(options, pluginName.empty() ? pluginPath : pluginName, statistics);
        return kExitOk;
    }
    if (options.normalize) {
        const float target = static_cast<float>(std::pow(10.0, options.normalizeDecibels / 20.0));
        gain = statistics.peak > 0 ? target / statistics.peak : 1.0f;
        // Rounding may put the scaled peak one step above the target, which at 0 dBFS would clip.
        while (statistics.peak * gain > target) gain = std::nextafter(gain, 0.0f);
        if (!scratch.replay(writeScaled)) return fail(kExitOutput, sinkFailed ? writer.writeError() : "cannot read the temporary file back");
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
                     options.sampleRate, channelWord(channels).c_str(), sampleFormatName(options.sampleFormat), peakDb,
                     speed);
        if (options.normalize) std::fprintf(stderr, "calyx2-render: normalised: gain %.1f dB\n", 20.0 * std::log10(gain));
        if (statistics.tailCapped) {
            std::fprintf(stderr, "calyx2-render: warning: still sounding when the %.0f s tail limit was reached\n",
                         options.maxTailSeconds);
        }
        if (statistics.programChangesOutOfRange > 0) {
            std::fprintf(stderr, "calyx2-render: warning: %lld program changes named programs the plug-in lacks (it has %d)\n",
                         static_cast<long long>(statistics.programChangesOutOfRange), plugin.numPrograms());
        }
        if (peakWritten > 1.0f) {
            double over = 20.0 * std::log10(peakWritten);
            if (options.sampleFormat == SampleFormat::Float32) {
                std::fprintf(stderr, "calyx2-render: warning: the output exceeds full scale by %.1f dB; players that "
                                     "convert it to integers will clip it (try --normalize)\n", over);
            } else {
                std::fprintf(stderr, "calyx2-render: warning: the output exceeds full scale by %.1f dB and was clipped "
                                     "(try --normalize or --gain)\n", over);
            }
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
        std::fputs(kExitCodeHelp, stdout);
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
