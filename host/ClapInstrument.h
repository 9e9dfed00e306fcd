// One CLAP plug-in instance driven by this process acting as its host, behind the format-neutral
// Instrument interface, so the renderer and the tools play any CLAP instrument as they play VST 2.4.
//
// What the host side does:
//  - loads the binary (one load per path in the process, entry init/deinit around it) and creates
//    the factory's first plug-in, or the one with the given id;
//  - maps the sequencer calls: resume = activate(rate, 1, block size) + start_processing, suspend the
//    reverse; MIDI messages become CLAP note events where the plug-in's note port takes them (notes,
//    velocity byte / 127) and MIDI events for everything else; setParameter between blocks goes in
//    through params.flush, so it is in force for the next block exactly as between VST 2.4 blocks;
//  - programs are the presets that the plug-in's preset-discovery factory lists inside the plug-in,
//    loaded through preset-load;
//  - records what the plug-in sends back (parameter values and gestures, flush and rescan requests)
//    and keeps the timers it registers, which fireTimers() runs.
// Single-threaded: this object's thread is both the main and the audio thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "host/Instrument.h"

namespace host {

class ClapModule;

struct ClapOutputEvent {
    uint16_t type;  // CLAP_EVENT_PARAM_VALUE, _GESTURE_BEGIN or _GESTURE_END
    uint32_t param;
    double value;
};

class ClapInstrument : public Instrument {
public:
    // On failure returns null with error set to one sentence that starts with the path.
    static std::unique_ptr<ClapInstrument> load(const std::string& path, std::string& error,
                                                const std::string& pluginId = "");
    ~ClapInstrument() override;
    ClapInstrument(const ClapInstrument&) = delete;
    ClapInstrument& operator=(const ClapInstrument&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }
    const clap_host_t* clapHost() const { return &host_; }
    template <typename Extension>
    const Extension* extension(const char* id) const {
        return plugin_ ? static_cast<const Extension*>(plugin_->get_extension(plugin_, id)) : nullptr;
    }

    std::string formatName() const override { return "CLAP"; }
    std::string effectName() override;
    void open() override {}
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t frames) override;
    void resume() override;
    void suspend() override;
    void close() override;
    bool isOpen() const override { return plugin_ != nullptr; }
    bool isActive() const { return active_; }
    float sampleRate() const override { return sampleRate_; }
    int32_t blockSize() const override { return blockSize_; }

    int numInputs() const override { return static_cast<int>(inputs_.size()); }
    int numOutputs() const override { return static_cast<int>(outputs_.size()); }
    bool process(const MidiMessage* messages, size_t count, int32_t frames) override;
    using Instrument::process;
    // One block with CLAP events as given (ordered by time, inside the block): parameter changes
    // inside the block, raw note events.
    bool processEvents(const std::vector<const clap_event_header_t*>& events, int32_t frames);
    const float* output(int channel) const override { return outputs_[channel].data(); }
    float* input(int channel) override { return inputs_[channel].data(); }

    void setTempo(double beatsPerMinute) override;
    void clearTempo() override { hasTempo_ = false; }

    int numParameters() const override { return static_cast<int>(parameters_.size()); }
    float parameter(int index) const override;
    void setParameter(int index, float value) override;
    std::string parameterName(int index) override;
    const clap_param_info_t* parameterInfo(int index) const;

    int numPrograms() const override { return static_cast<int>(programs_.size()); }
    int program() override { return program_; }
    void setProgram(int index) override;
    bool programNameIndexed(int index, std::string& name) override;

    // The plug-in's state through the state extension; empty / false when it has none or refuses.
    std::vector<uint8_t> saveState();
    bool loadState(const std::vector<uint8_t>& bytes);

    // params.flush with no input, as a host does when the plug-in asks for one outside processing.
    void flushParameters();
    std::vector<ClapOutputEvent> outputEvents() const { return outputEvents_; }
    int flushRequests() const { return flushRequests_; }
    int rescanRequests() const { return rescanRequests_; }
    void clearRecords();
    size_t liveTimers() const;
    void fireTimers();

private:
    ClapInstrument() = default;
    struct Program {
        std::string name;
        std::string key;
    };
    struct Timer {
        clap_id id;
        bool live;
    };
    bool start(const std::string& pluginId, std::string& error);
    void readParameters();
    void findPrograms();
    void allocateBuffers();
    bool run(const std::vector<const clap_event_header_t*>& events, int32_t frames);
    static ClapInstrument* of(const clap_host_t* host) { return static_cast<ClapInstrument*>(host->host_data); }
    static const void* hostExtension(const clap_host_t* host, const char* id);

    std::shared_ptr<ClapModule> module_;
    clap_host_t host_{};
    const clap_plugin_t* plugin_ = nullptr;
    float sampleRate_ = 44100.0f;
    int32_t blockSize_ = 1024;
    bool active_ = false;
    bool prefersNotes_ = false;  // the note port takes CLAP note events
    bool takesMidi_ = false;

    std::vector<clap_audio_port_info_t> outputPorts_, inputPorts_;
    std::vector<std::vector<float>> outputs_, inputs_;
    std::vector<float*> outputPointers_, inputPointers_;
    std::vector<clap_audio_buffer_t> outputBuffers_, inputBuffers_;

    std::vector<clap_param_info_t> parameters_;
    std::vector<Program> programs_;
    int program_ = 0;

    bool hasTempo_ = false;
    double tempo_ = 120.0;
    double beats_ = 0.0;
    int64_t steadyTime_ = 0;

    std::vector<ClapOutputEvent> outputEvents_;
    int flushRequests_ = 0;
    int rescanRequests_ = 0;
    std::vector<Timer> timers_;
};

}  // namespace host
