#include "standalone/StandaloneOptions.h"

#include <getopt.h>

#include <cstdlib>

namespace {
constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 384000;
constexpr int kLargestBuffer = 8192;
constexpr int kMidiPortOption = 'm';
enum LongOnly { kNoGui = 1000, kListDevices, kVersion, kTempo, kBench, kName };

const option kOptions[] = {
    {"device", required_argument, nullptr, 'd'},
    {"rate", required_argument, nullptr, 'r'},
    {"buffer", required_argument, nullptr, 'b'},
    {"midi-port", required_argument, nullptr, kMidiPortOption},
    {"name", required_argument, nullptr, kName},
    {"tempo", required_argument, nullptr, kTempo},
    {"no-gui", no_argument, nullptr, kNoGui},
    {"list-devices", no_argument, nullptr, kListDevices},
    {"bench", required_argument, nullptr, kBench},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

bool wholeNumber(const char* text, int lowest, int highest, int& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < lowest || number > highest) return false;
    value = int(number);
    return true;
}

bool positiveNumber(const char* text, double highest, double& value) {
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(number > 0.0) || number > highest) return false;
    value = number;
    return true;
}

bool parseDevice(const std::string& device, StandaloneOptions& options) {
    const std::string alsaPrefix = "alsa:";
    if (device == "auto") {
        options.audio = AudioChoice::Automatic;
    } else if (device == "jack") {
        options.audio = AudioChoice::Jack;
    } else if (device == "alsa") {
        options.audio = AudioChoice::Alsa;
    } else if (device.compare(0, alsaPrefix.size(), alsaPrefix) == 0 && device.size() > alsaPrefix.size()) {
        options.audio = AudioChoice::Alsa;
        options.alsaDevice = device.substr(alsaPrefix.size());
    } else {
        return false;
    }
    return true;
}
}  // namespace

const char* standaloneUsage() {
    return "Usage: calyx2-standalone [options] [preset.fxp|bank.fxb ...]\n"
           "Plays Calyx2 with its panel, from MIDI keyboards and the computer keyboard.\n"
           "\n"
           "  -d, --device DEV      audio: auto (JACK when a server runs, else ALSA), jack, alsa,\n"
           "                        or alsa:PCM such as alsa:hw:0 (default auto)\n"
           "  -r, --rate HZ         ALSA sample rate (default 48000; JACK uses its server's)\n"
           "  -b, --buffer FRAMES   ALSA period in frames (default 256; JACK uses its server's)\n"
           "  -m, --midi-port PORT  MIDI from this JACK port (client:port) or ALSA sequencer port\n"
           "                        (client:port, or a client name); default every hardware source\n"
           "      --name NAME       JACK client and ALSA sequencer name (default calyx2)\n"
           "      --tempo BPM       tempo the delay follows (default 120)\n"
           "      --no-gui          no window: MIDI in, audio out\n"
           "      --list-devices    list audio devices and MIDI ports, then exit\n"
           "      --bench SECONDS   print CPU use at full polyphony, plug-in alone and with the window open\n"
           "  -h, --help            this text\n"
           "      --version         the version\n"
           "\n"
           "The bank, the current program and every edit are kept in $XDG_CONFIG_HOME/calyx2/bank.fxb\n"
           "(~/.config/calyx2/bank.fxb); preset files named here are loaded over it.\n"
           "Computer keyboard: Z S X D C V ... and Q 2 W 3 E ... play two octaves; Left/Right move the\n"
           "octave, Up/Down the velocity, Page Up/Page Down the program.\n";
}

bool parseStandaloneOptions(int argc, char** argv, StandaloneOptions& options, std::string& error) {
    optind = 0;  // getopt's own state: start over on every call
    opterr = 0;
    int option = 0;
    while ((option = getopt_long(argc, argv, ":d:r:b:m:h", kOptions, nullptr)) != -1) {
        const std::string value = optarg != nullptr ? optarg : "";
        switch (option) {
            case 'd':
                if (!parseDevice(value, options)) {
                    error = "--device takes auto, jack, alsa or alsa:PCM, not '" + value + "'";
                    return false;
                }
                break;
            case 'r':
                if (!wholeNumber(optarg, kLowestRate, kHighestRate, options.sampleRate)) {
                    error = "--rate takes a whole number of Hz from 8000 to 384000, not '" + value + "'";
                    return false;
                }
                break;
            case 'b':
                if (!wholeNumber(optarg, 1, kLargestBuffer, options.bufferFrames)) {
                    error = "--buffer takes a whole number of frames from 1 to 8192, not '" + value + "'";
                    return false;
                }
                break;
            case kMidiPortOption: options.midiPort = value; break;
            case kName:
                if (value.empty()) {
                    error = "--name takes a non-empty name";
                    return false;
                }
                options.clientName = value;
                break;
            case kTempo:
                if (!positiveNumber(optarg, 999.0, options.tempo)) {
                    error = "--tempo takes beats per minute above 0 and up to 999, not '" + value + "'";
                    return false;
                }
                break;
            case kBench:
                if (!positiveNumber(optarg, 3600.0, options.benchSeconds)) {
                    error = "--bench takes seconds above 0 and up to 3600, not '" + value + "'";
                    return false;
                }
                break;
            case kNoGui: options.gui = false; break;
            case kListDevices: options.listDevices = true; break;
            case kVersion: options.version = true; break;
            case 'h': options.help = true; break;
            case ':':
                error = std::string("option ") + argv[optind - 1] + " needs a value";
                return false;
            default:
                error = std::string("unknown option ") + argv[optind - 1];
                return false;
        }
    }
    for (int i = optind; i < argc; ++i) options.presetFiles.emplace_back(argv[i]);
    return true;
}
