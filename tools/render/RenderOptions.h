// The command line of calyx2-render.
#pragma once

#include <string>
#include <vector>

#include "tools/common/AudioFileWriter.h"
#include "tools/common/MidiSelection.h"

namespace tools {

struct RenderOptions {
    std::vector<std::string> plugins;  // a chain, first to last; empty: the calyx2 built next to the tool
    std::string midiPath;            // empty: the built-in demo piece (none for an effect given --input)
    std::string inputPath;           // audio for the first plug-in's inputs
    std::string outputPath;          // "-" for standard output
    int sampleRate = 48000;
    bool sampleRateGiven = false;
    int blockSize = 512;
    SampleFormat sampleFormat = SampleFormat::Int24;
    double tempo = 0.0;              // 0: the piece's own (120 for MIDI files, the demo's tempo)
    std::string program;             // number or name
    std::vector<std::string> settings;     // NAME=VALUE
    std::vector<std::string> presetPaths;  // .fxp/.fxb to load
    std::string savePresetPath;      // .fxp/.fxb to write after loading and settings
    double maxTailSeconds = 30.0;
    double gainDecibels = 0.0;       // applied to the plug-in's output before writing
    bool normalize = false;
    double normalizeDecibels = 0.0;  // the peak's level after normalising, in dBFS
    MidiSelection selection;
    bool followProgramChanges = false;
    bool bench = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// false with error set (one line, without the tool's name) for a bad command line.
bool parseRenderOptions(int argc, char** argv, RenderOptions& options, std::string& error);

extern const char* const kRenderHelp;

}  // namespace tools
