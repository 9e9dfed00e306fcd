// One CLAP instance of Calyx2: a clap_plugin_t in front of the very Calyx2Plugin object that the
// VST 2.4 entry creates, driven through its AEffect record exactly as a VST 2.4 host drives it.
//
//   activate / deactivate   ->  effSetSampleRate, effSetBlockSize, effMainsChanged
//   process                 ->  effProcessEvents with the block's note and MIDI events, then
//                               processReplacing; the block is split where a parameter changes,
//                               the change going in through setParameter between the pieces
//   params                  ->  getParameter / setParameter, names from the parameter table
//   state                   ->  effGetChunk / effSetChunk with the whole bank
//   gui                     ->  effEditOpen / effEditClose / effEditIdle
//   preset-load             ->  effSetProgram
//
// The plug-in object calls back through its audioMaster callback, which this class answers: the
// tempo of the current process call, and panel edits (audioMasterAutomate), which become CLAP
// parameter events with a gesture around each drag.
//
// Threads as CLAP has them: the main thread for everything but process, start/stop_processing,
// reset and (while active) params.flush, which come on the audio thread.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "clap/NoteEvents.h"
#include "clap/PresetDiscovery.h"
#include "clap/PanelEditQueue.h"
#include "clap/clap_abi.h"
#include "engine/ParameterIndex.h"
#include "plugin/Calyx2Plugin.h"

namespace calyx2clap {

extern const clap_plugin_descriptor_t kDescriptor;

// How long between two idle calls of an open panel.
constexpr uint32_t kPanelIdlePeriodMs = 30;
// Most MIDI messages delivered with one piece of a block; later ones in the same piece are dropped.
constexpr int kMostMidiPerPiece = 1024;

class Calyx2Clap {
public:
    // The instance's clap_plugin_t; null if the plug-in object cannot be built.
    static const clap_plugin_t* create(const clap_host_t* host);

    // The extensions, each a table of functions that find the instance through plugin_data.
    static const clap_plugin_params_t kParams;
    static const clap_plugin_state_t kState;
    static const clap_plugin_gui_t kGui;
    static const clap_plugin_timer_support_t kTimerSupport;
    static const clap_plugin_audio_ports_t kAudioPorts;
    static const clap_plugin_note_ports_t kNotePorts;
    static const clap_plugin_latency_t kLatency;
    static const clap_plugin_preset_load_t kPresetLoad;

    static Calyx2Clap* of(const clap_plugin_t* plugin);

private:
    explicit Calyx2Clap(const clap_host_t* host);
    ~Calyx2Clap();

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    static VstIntPtr VSTCALLBACK audioMaster(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt);
    template <typename Extension>
    const Extension* hostExtension(const char* id) const {
        return host->get_extension ? static_cast<const Extension*>(host->get_extension(host, id)) : nullptr;
    }

    // clap_plugin_t
    bool init();
    bool activate(double sampleRate, uint32_t maxFrames);
    void deactivate();
    void reset();
    int32_t process(const clap_process_t& process);
    const void* extension(const char* id) const;

    // Pieces of process.
    void applyParameterEvent(const clap_event_header_t& event);
    void addMidi(const clap_event_header_t& event, VstInt32 deltaFrames);
    void addMidi(const MidiBytes& bytes, VstInt32 deltaFrames);
    void deliverMidi();
    void sendPanelEdits(const clap_output_events_t* out);

    // Panel edits and their gestures.
    void panelEdited(int index, float value);
    void endReleasedGestures(bool force);
    void queueEdit(uint16_t type, int index, double value);

    // params
    bool parameterInfo(uint32_t index, clap_param_info_t& info) const;
    void flushParameters(const clap_input_events_t* in, const clap_output_events_t* out);
    void rescanValues();

    // state
    bool saveState(const clap_ostream_t& stream);
    bool loadState(const clap_istream_t& stream);

    // gui
    bool createGui(const char* api, bool floating);
    void destroyGui();
    bool setParent(const clap_window_t& window);
    bool showGui();
    bool hideGui();
    void onTimer(clap_id timer);

    bool loadPreset(uint32_t kind, const char* location, const char* key);

    clap_plugin_t record{};
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    Calyx2Plugin* object = nullptr;  // owned through its record: effClose destroys it
    AEffect* effect = nullptr;
    std::array<float, param::Count> defaults{};

    bool active = false;
    VstTimeInfo timeInfo{};
    bool timeInfoValid = false;
    VstMidiEvent midi[kMostMidiPerPiece]{};
    // A VstEvents list with room for a whole piece's messages.
    struct MidiList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMostMidiPerPiece];
    } midiList{};
    static_assert(offsetof(MidiList, events) == offsetof(VstEvents, events), "a VstEvents list");

    PanelEditQueue edits;
    std::array<bool, param::Count> gestureOpen{};  // main thread only

    bool guiCreated = false;
    void* parentWindow = nullptr;
    clap_id idleTimer = CLAP_INVALID_ID;
};

}  // namespace calyx2clap
