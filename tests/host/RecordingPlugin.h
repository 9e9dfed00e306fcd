// A small VST 2.4 instrument built into the test programs. It records what its host does to it
// (dispatcher calls in order, MIDI events at their absolute sample positions, block lengths, the tempo
// it was given per block) and produces a signal that depends only on the events and the sample
// position, never on how the blocks are cut:
//   left:  each note-on adds velocity/127 at its exact sample; the sum decays by kDecay per sample
//          after the last note-off (and holds while any note is down);
//   right: the left signal scaled by the tempo the host reported for the block / 1000 (0 without
//          host time), so it never outlasts the left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst/vst2.h"

namespace testplugin {

constexpr int32_t kUniqueId = 0x54655374;  // 'TeSt'
constexpr int kParameters = 3;
constexpr int kPrograms = 4;
constexpr int kNameSize = 24;
constexpr int kProgramChunkSize = kParameters * 4;
constexpr int kBankChunkSize = kPrograms * (kNameSize + kProgramChunkSize);
constexpr float kDecay = 0.99f;

struct RecordedEvent {
    int64_t sample;  // block start + deltaFrames
    uint8_t bytes[3];
};

struct Settings {
    bool programChunks = true;  // effFlagsProgramChunks, else parameters only
    bool askHostVersion = true;
};

class RecordingPlugin {
public:
    explicit RecordingPlugin(audioMasterCallback host);

    static RecordingPlugin* from(AEffect* effect) { return static_cast<RecordingPlugin*>(effect->object); }
    // Settings for the instances created after this call.
    static void configure(const Settings& settings);
    static int liveInstances();

    // As if the user had turned a knob on the editor: set the value and tell the host.
    void editorEdit(int index, float value);

    AEffect effect{};
    std::vector<std::string> calls;   // "open", "sampleRate 48000", "blockSize 64", "resume", ...
    std::vector<RecordedEvent> events;
    std::vector<int32_t> blockLengths;
    std::vector<double> blockTempi;   // 0 when the host answered null
    VstTimeInfo lastTime{};           // the last time information the host gave
    int64_t samplesProcessed = 0;
    float sampleRate = 0;
    int32_t blockSize = 0;

    float parameters[kPrograms][kParameters] = {};
    char names[kPrograms][kNameSize] = {};
    int current = 0;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void render(float** outputs, VstInt32 frames);

private:
    audioMasterCallback host_;
    std::vector<uint8_t> chunk_;
    int notesDown_ = 0;
    float level_ = 0.0f;
};

AEffect* VSTCALLBACK recordingPluginMain(audioMasterCallback host);

}  // namespace testplugin
