// The command line of calyx2-standalone.
#pragma once

#include <string>
#include <vector>

enum class AudioChoice { Automatic, Jack, Alsa };

struct StandaloneOptions {
    AudioChoice audio = AudioChoice::Automatic;
    std::string alsaDevice = "default";
    int sampleRate = 48000;       // ALSA; a JACK server has its own
    int bufferFrames = 256;       // ALSA period; likewise
    std::string midiPort;         // empty: every hardware source
    std::string clientName = "calyx2";
    double tempo = 120.0;
    bool gui = true;
    bool listDevices = false;
    bool help = false;
    bool version = false;
    double benchSeconds = 0.0;    // > 0: measure CPU use and exit
    std::vector<std::string> presetFiles;
};

// False with error set to one sentence when the command line is wrong.
bool parseStandaloneOptions(int argc, char** argv, StandaloneOptions& options, std::string& error);
const char* standaloneUsage();
