// One VST 2.4 plug-in instance driven by this process acting as its host.
//
// HostedPlugin owns the plug-in's AEffect record from the entry point's answer until effClose, and
// plays the host's side of the conversation:
//  - it answers the plug-in's callback: audioMasterVersion with the configured version (2400 unless a
//    test asks otherwise), audioMasterGetTime with a VstTimeInfo built from the tempo set here (or null
//    when no tempo is set), the sample rate and block size when asked, and it records automation,
//    want-MIDI and update-display requests for later inspection;
//  - it keeps the audio buffers: numOutputs (and numInputs) channels of blockSize floats, allocated by
//    resume() and kept until the next resume(), so processing itself never allocates once the event list
//    has grown to its working size;
//  - it turns MIDI messages with frame offsets into the VstEvents list delivered by effProcessEvents just
//    before the block they belong to.
// Several instances, of the same binary or of different ones, can live side by side: the callback finds
// its instance from the AEffect pointer, and the version query that comes with a null pointer from inside
// the entry point is answered for the instance being created on that thread.
//
// The caller decides the order of calls; a well-behaved sequencer does open, setSampleRate,
// setBlockSize, resume, process..., suspend, close. Nothing here is thread-safe except the callback's
// records, which the plug-in may append to from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/Instrument.h"
#include "host/PluginModule.h"
#include "vst/vst2.h"

namespace host {

struct HostOptions {
    VstIntPtr hostVersion = kVstVersion;  // answer to audioMasterVersion; 0 makes a careful plug-in refuse
};

struct AutomationRecord {
    int32_t index;
    float value;
};

class HostedPlugin : public Instrument {
public:
    // Loads the binary and creates one instance. On failure returns null with error set to one sentence
    // that starts with the path.
    static std::unique_ptr<HostedPlugin> load(const std::string& path, std::string& error,
                                              const HostOptions& options = {});
    // Creates one instance from an already loaded module (several instances may share it).
    static std::unique_ptr<HostedPlugin> create(std::shared_ptr<PluginModule> module, std::string& error,
                                                const HostOptions& options = {});
    // Creates one instance from an entry function in this process (plug-ins linked into a test).
    static std::unique_ptr<HostedPlugin> createFromEntry(VstPluginEntryProc entry, std::string& error,
                                                         const HostOptions& options = {});

    // Suspends if needed and sends effClose.
    ~HostedPlugin() override;
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    AEffect* effect() const { return effect_; }
    // The entry point the instance came from ("VSTPluginMain" or "main"); empty for createFromEntry.
    const char* entryName() const { return module_ ? module_->entryName() : ""; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // Identity, as the record and the dispatcher report it.
    // After close() these answer 0.
    int32_t uniqueId() const { return effect_ ? effect_->uniqueID : 0; }
    int32_t version() const { return effect_ ? effect_->version : 0; }
    int32_t flags() const { return effect_ ? effect_->flags : 0; }
    bool hasFlag(int32_t flag) const { return (flags() & flag) != 0; }
    int numPrograms() const override { return effect_ ? effect_->numPrograms : 0; }
    int numParameters() const override { return effect_ ? effect_->numParams : 0; }
    // Channels as buffered here: the record's counts, limited to 0..64.
    int numInputs() const override { return effect_ ? static_cast<int>(inputs_.size()) : 0; }
    int numOutputs() const override { return effect_ ? static_cast<int>(outputs_.size()) : 0; }
    bool playsNotes() const override { return hasFlag(effFlagsIsSynth) || numInputs() == 0; }
    std::string formatName() const override { return "VST 2.4"; }
    std::string effectName() override;
    std::string vendorString();
    std::string productString();
    VstIntPtr vendorVersion() { return dispatch(effGetVendorVersion); }
    VstIntPtr vstVersion() { return dispatch(effGetVstVersion); }
    VstIntPtr category() { return dispatch(effGetPlugCategory); }
    VstIntPtr canDo(const std::string& feature);

    // Lifecycle.
    void open() override;
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t frames) override;
    void resume() override;   // effMainsChanged 1, after (re)allocating the buffers for the current block size
    void suspend() override;  // effMainsChanged 0
    void close() override;    // effClose; the instance is gone afterwards and every other call does nothing
    bool isOpen() const override { return effect_ != nullptr; }
    bool isResumed() const { return resumed_; }
    float sampleRate() const override { return sampleRate_; }
    int32_t blockSize() const override { return blockSize_; }

    // Renders frames (1..blockSize) into the output buffers after delivering the given messages,
    // which must be ordered by deltaFrames and lie inside the block. Returns false, rendering
    // nothing, when the instance is not resumed or the block or its events are out of bounds.
    bool process(const MidiMessage* messages, size_t count, int32_t frames) override;
    using Instrument::process;
    const float* output(int channel) const override { return outputs_[channel].data(); }
    // Input channels hold what the caller last wrote; resume() zeroes them.
    float* input(int channel) override { return inputs_[channel].data(); }

    // Parameters.
    float parameter(int index) const override;
    void setParameter(int index, float value) override;
    std::string parameterName(int index) override;
    std::string parameterLabel(int index);
    std::string parameterDisplay(int index);
    bool canBeAutomated(int index);

    // Programs.
    int program() override;
    void setProgram(int index) override;
    std::string programName();
    void setProgramName(const std::string& name);
    // Name of program index without switching to it; false when the plug-in does not answer.
    bool programNameIndexed(int index, std::string& name) override;

    // State chunks (plug-ins with effFlagsProgramChunks). The bytes are copied out of the plug-in.
    std::vector<uint8_t> chunk(bool oneProgram);
    VstIntPtr setChunk(const std::vector<uint8_t>& data, bool oneProgram);

    // Editor rectangle; false when the plug-in has no editor or gives no rectangle.
    bool editorRect(ERect& rect);

    // Host time: with a tempo set, audioMasterGetTime answers a VstTimeInfo with that tempo and the
    // position reached so far; without one it answers null.
    void setTempo(double beatsPerMinute) override;
    void clearTempo() override;
    bool hasTempo() const { return hasTempo_; }
    int64_t samplePosition() const { return samplePosition_; }

    // What the plug-in asked of the host so far.
    std::vector<AutomationRecord> automationRecords() const;
    int wantMidiRequests() const;
    int updateDisplayRequests() const;
    int timeInfoRequests() const;
    void clearRecords();

private:
    explicit HostedPlugin(const HostOptions& options) : options_(options) {}
    static std::unique_ptr<HostedPlugin> createWith(VstPluginEntryProc entry, std::shared_ptr<PluginModule> module,
                                                    std::string& error, const HostOptions& options);
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    std::string textAnswer(VstInt32 opcode, VstInt32 index = 0);
    VstTimeInfo* currentTimeInfo();
    void resizeBuffers();

    HostOptions options_;
    std::shared_ptr<PluginModule> module_;
    AEffect* effect_ = nullptr;

    float sampleRate_ = 44100.0f;
    int32_t blockSize_ = 1024;
    bool resumed_ = false;
    int32_t bufferFrames_ = 0;
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> inputPointers_, outputPointers_;
    std::vector<VstMidiEvent> midiEvents_;
    std::vector<VstIntPtr> eventListStorage_;  // a VstEvents header followed by its pointers, aligned

    bool hasTempo_ = false;
    double tempo_ = 120.0;
    int64_t samplePosition_ = 0;
    double quarterNotePosition_ = 0.0;
    VstTimeInfo timeInfo_{};

    mutable std::mutex recordsMutex_;
    std::vector<AutomationRecord> automation_;
    int wantMidiRequests_ = 0;
    int updateDisplayRequests_ = 0;
    int timeInfoRequests_ = 0;
};

}  // namespace host
