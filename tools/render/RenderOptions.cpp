#include "tools/render/RenderOptions.h"

#include <getopt.h>

#include "tools/common/OutputFile.h"
#include "tools/common/ParameterLookup.h"

namespace tools {

const char* const kRenderHelp =
    "Usage: calyx2-render [OPTIONS] [MIDI-FILE]\n"
    "Plays a Standard MIDI File (format 0 or 1) through a plug-in instrument, or audio through an\n"
    "effect, and writes the audio as it renders. Without a MIDI file an instrument plays a built-in\n"
    "demo piece. The release tail is rendered until the output falls silent (at most --tail seconds).\n"
    "\n"
    "  -p, --plugin PATH|NAME   the plug-in (default: calyx2 built next to this tool, or $CALYX2_PLUGIN);\n"
    "                           a NAME is looked up in $VST_PATH, ~/.vst, /usr/lib/vst, $CLAP_PATH, ...;\n"
    "                           repeat to chain plug-ins: each later one processes the one before\n"
    "  -m, --midi-file FILE     the MIDI file (or give it as the last argument; '-': standard input)\n"
    "  -i, --input FILE         audio for the first plug-in's inputs (any file libsndfile reads)\n"
    "  -o, --output FILE        the audio file: .wav, .flac, .aiff, .caf, .w64, .rf64, .au or .ogg;\n"
    "                           '-' streams WAV to standard output\n"
    "  -s, --sample-rate HZ     sample rate (default 48000, or the --input file's)\n"
    "  -b, --blocksize FRAMES   largest block handed to the plug-in (default 512)\n"
    "  -d, --depth BITS         16, 24, s32 (or 32) or float, as sox names sample formats (default 24)\n"
    "      --tempo BPM          tempo until the file's first tempo change (default 120; demo 104)\n"
    "      --program N|NAME     select a program by number (from 0) or name\n"
    "      --follow-program-changes\n"
    "                           the file's program changes select programs where they occur\n"
    "      --channels LIST      play only these MIDI channels (1-16), e.g. 1,2,4-9\n"
    "      --skip-channels LIST leave these channels out, e.g. 10 for General MIDI drums\n"
    "      --tracks LIST        play only these tracks of the file (from 1)\n"
    "      --set NAME=VALUE     set a parameter (name or index) to VALUE from 0 to 1; repeatable\n"
    "      --preset FILE        load a .fxb bank or .fxp program; repeatable (banks first, then the\n"
    "                           --program choice, then programs, then --set)\n"
    "      --save-preset FILE   write the resulting state as .fxp (current program) or .fxb (bank)\n"
    "      --tail SECONDS       longest release tail after the music (default 30)\n"
    "      --gain DB            gain applied to the output before it is written (default 0)\n"
    "      --normalize [DBFS]   scale the output so that its peak is at DBFS (default 0)\n"
    "      --bench              render without writing audio; print realtime factor and cost per block\n"
    "  -q, --quiet              no progress bar and no summary\n"
    "  -h, --help               show this help\n"
    "  -V, --version            show the version\n"
    "\n"
    "Program, parameter and preset options apply to the first plug-in.\n"
    "\n";

namespace {

enum LongOnly {
    kTempo = 256, kProgram, kSet, kPreset, kSavePreset, kTail, kGain, kBench, kNormalize, kChannels, kSkipChannels,
    kTracks, kFollowProgramChanges
};

// Channels named by a list, as a bit set.
bool parseChannels(const std::string& option, const std::string& text, uint32_t& mask, std::string& error) {
    std::vector<int> numbers;
    if (!parseNumberList(option, text, kMidiChannels, numbers, error)) return false;
    mask = 0;
    for (int number : numbers) mask |= 1u << (number - 1);
    return true;
}

// The dBFS value that may follow --normalize as its own argument: a number from -96 to 0.
bool normalizeLevel(const char* text, double& level) {
    return text && parseNumber(text, level) && level >= -96.0 && level <= 0.0;
}

bool integerIn(const char* text, long long low, long long high, int& out) {
    long long value;
    if (!parseInteger(text, value) || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool isPresetExtension(const std::string& path) {
    if (path == "-") return true;  // the file's own header says which kind it is
    std::string extension = lowercaseExtension(path);
    return extension == ".fxp" || extension == ".fxb";
}

}  // namespace

bool parseRenderOptions(int argc, char** argv, RenderOptions& options, std::string& error) {
    static const option kOptions[] = {
        {"plugin", required_argument, nullptr, 'p'},     {"midi-file", required_argument, nullptr, 'm'},
        {"output", required_argument, nullptr, 'o'},     {"sample-rate", required_argument, nullptr, 's'},
        {"blocksize", required_argument, nullptr, 'b'},  {"depth", required_argument, nullptr, 'd'},
        {"tempo", required_argument, nullptr, kTempo},   {"program", required_argument, nullptr, kProgram},
        {"set", required_argument, nullptr, kSet},       {"preset", required_argument, nullptr, kPreset},
        {"save-preset", required_argument, nullptr, kSavePreset},
        {"tail", required_argument, nullptr, kTail},     {"gain", required_argument, nullptr, kGain},
        {"bench", no_argument, nullptr, kBench},        {"input", required_argument, nullptr, 'i'},
        {"normalize", optional_argument, nullptr, kNormalize},
        {"channels", required_argument, nullptr, kChannels},
        {"skip-channels", required_argument, nullptr, kSkipChannels},
        {"tracks", required_argument, nullptr, kTracks},
        {"follow-program-changes", no_argument, nullptr, kFollowProgramChanges},
        {"quiet", no_argument, nullptr, 'q'},            {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},          {nullptr, 0, nullptr, 0}};
    opterr = 0;
    optind = 1;
    int option;
    uint32_t playing = (1u << kMidiChannels) - 1, skipped = 0;
    while ((option = getopt_long(argc, argv, ":p:m:i:o:s:b:d:qhV", kOptions, nullptr)) != -1) {
        std::string value = optarg ? optarg : "";
        double number;
        switch (option) {
            case 'p': options.plugins.push_back(value); break;
            case 'm': options.midiPath = value; break;
            case 'i': options.inputPath = value; break;
            case 'o': options.outputPath = value; break;
            case 's':
                if (!integerIn(optarg, 8000, 384000, options.sampleRate)) {
                    error = "--sample-rate " + value + ": expected a whole number of hertz from 8000 to 384000";
                    return false;
                }
                options.sampleRateGiven = true;
                break;
            case 'b':
                if (!integerIn(optarg, 1, 65536, options.blockSize)) {
                    error = "--blocksize " + value + ": expected a whole number of frames from 1 to 65536";
                    return false;
                }
                break;
            case 'd':
                if (!parseSampleFormat(value, options.sampleFormat)) {
                    error = "--depth " + value + ": expected 16, 24, s32 or float";
                    return false;
                }
                break;
            case kTempo:
                if (!parseNumber(value, number) || number < 1.0 || number > 1000.0) {
                    error = "--tempo " + value + ": expected beats per minute from 1 to 1000";
                    return false;
                }
                options.tempo = number;
                break;
            case kProgram: options.program = value; break;
            case kSet: options.settings.push_back(value); break;
            case kPreset:
                if (!isPresetExtension(value)) {
                    error = "--preset " + value + ": expected a .fxp or .fxb file";
                    return false;
                }
                options.presetPaths.push_back(value);
                break;
            case kSavePreset:
                if (value == "-" || !isPresetExtension(value)) {
                    error = "--save-preset " + value + ": expected a .fxp or .fxb file name";
                    return false;
                }
                options.savePresetPath = value;
                break;
            case kTail:
                if (!parseNumber(value, number) || number < 0.0 || number > 3600.0) {
                    error = "--tail " + value + ": expected seconds from 0 to 3600";
                    return false;
                }
                options.maxTailSeconds = number;
                break;
            case kGain:
                if (!parseNumber(value, number) || number < -96.0 || number > 48.0) {
                    error = "--gain " + value + ": expected decibels from -96 to 48";
                    return false;
                }
                options.gainDecibels = number;
                break;
            case kBench: options.bench = true; break;
            case kNormalize:
                options.normalize = true;
                // "--normalize -1" as well as "--normalize=-1": take the next argument when it is a level.
                if (!optarg && optind < argc && normalizeLevel(argv[optind], options.normalizeDecibels)) ++optind;
                if (optarg && !normalizeLevel(optarg, options.normalizeDecibels)) {
                    error = "--normalize " + value + ": expected a peak level in dBFS from -96 to 0";
                    return false;
                }
                break;
            case kChannels:
                if (!parseChannels("--channels", value, playing, error)) return false;
                break;
            case kSkipChannels:
                if (!parseChannels("--skip-channels", value, skipped, error)) return false;
                break;
            case kTracks:
                options.selection.tracks.clear();
                if (!parseNumberList("--tracks", value, 65535, options.selection.tracks, error)) return false;
                break;
            case kFollowProgramChanges: options.followProgramChanges = true; break;
            case 'q': options.quiet = true; break;
            case 'h': options.help = true; return true;
            case 'V': options.version = true; return true;
            case ':':
                error = std::string("option ") + argv[optind - 1] + " needs a value";
                return false;
            default:
                error = std::string("unknown option ") + argv[optind - 1];
                return false;
        }
    }
    options.selection.channels = playing & ~skipped;
    if (options.selection.channels == 0) {
        error = "--channels and --skip-channels leave no channel to play";
        return false;
    }
    if (options.normalize && options.gainDecibels != 0.0) {
        error = "--gain and --normalize both set the level; give one of them";
        return false;
    }
    if (optind < argc) {
        if (!options.midiPath.empty() || argc - optind > 1) {
            error = "one MIDI file at a time";
            return false;
        }
        options.midiPath = argv[optind];
    }
    int fromStandardInput = static_cast<int>(options.midiPath == "-") + static_cast<int>(options.inputPath == "-");
    for (const std::string& path : options.presetPaths) fromStandardInput += path == "-";
    if (fromStandardInput > 1) {
        error = "standard input ('-') can stand for one input file only";
        return false;
    }
    if (!options.bench && options.outputPath.empty()) {
        error = "no output file: give -o FILE (or -o - for standard output, or --bench)";
        return false;
    }
    if (options.bench && !options.outputPath.empty()) {
        error = "--bench writes no audio; leave out -o";
        return false;
    }
    if (isTerminalOutput(options.outputPath)) {
        error = "standard output is a terminal; redirect it or name a file with -o";
        return false;
    }
    return true;
}

}  // namespace tools
