// Calyx2 as an LV2 plug-in: a thin adapter over the same Calyx2Plugin object that the VST 2.4 entry
// creates, so that the samples, the programs and the state bytes cannot differ between the formats.
//
// The adapter plays the VST 2.4 host's part towards the object:
//  - its host callback answers audioMasterVersion, and audioMasterGetTime with the tempo of the last
//    time:Position the host sent (null before any, as a VST host without a transport); the rest is
//    answered neutrally;
//  - a control port whose value differs from the one last applied goes through setParameter before
//    the samples of the run, as a VST host's parameter change arrives between blocks;
//  - the MIDI events of a run go to processEvents as VstMidiEvents with their frame offsets, then
//    processReplacing renders the run, and the engine plays each event at its frame: all as a VST
//    host delivers a block. Only when the engine's event queue is close to full is the run cut at
//    the next event's time and the part before it rendered, so that a crowded run loses no note;
//  - state:interface saves the whole bank as the VST 2.4 bank chunk and the current program number,
//    and restores them.
//
// A restored state brings port values too, but lilv writes them with eight decimals, which does not
// give every float back. So the first run after restoring a bank takes the ports' values as already
// applied: the live values stay the bank's, exactly as saved. Hosts set those ports from the same
// saved state, which the plug-in wrote from these very values.
//
// Presets are port values: applying one edits the live values of the current program, as loading a
// program chunk into the current slot does in VST 2.4. Which program is current changes only when a
// saved state is restored.
//
// run() allocates nothing, takes no lock and makes no system call.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <memory>

#include "lv2/Lv2Identity.h"
#include "plugin/Calyx2Plugin.h"
#include "vst/vst2.h"

class Calyx2Lv2 {
  public:
    // Null when the host lacks urid:map or memory runs out.
    static Calyx2Lv2* create(double sampleRate, const LV2_Feature* const* features);

    void connectPort(uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  private:
    // Room the engine's queue must have left for another event: a note-off queues a release for
    // every voice sounding its note and for every start of it still waiting.
    static constexpr int kQueueHeadroom = 2 * SynthEngine::kVoiceCount;

    struct Uris {
        LV2_URID atomBlank, atomObject, atomChunk, atomInt, atomFloat, atomDouble;
        LV2_URID midiEvent, timePosition, timeBeatsPerMinute, bankKey, programKey;
    };

    explicit Calyx2Lv2(const LV2_URID_Map& map);
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt);
    void applyChangedPorts();
    void readTimePosition(const LV2_Atom_Object* position);
    void deliverMidi(const uint8_t* bytes, uint32_t size, uint32_t deltaFrames);
    void renderSlice(uint32_t firstFrame, uint32_t endFrame);

    Uris uris{};
    std::unique_ptr<Calyx2Plugin> plugin;
    std::unique_ptr<uint8_t[]> restoredBank;  // setChunk takes a writable copy
    const float* parameterPorts[param::Count] = {};
    float appliedValues[param::Count] = {};
    const LV2_Atom_Sequence* eventPort = nullptr;
    float* outputs[2] = {nullptr, nullptr};

    VstMidiEvent midiEvent{};
    VstEvents eventList{};  // the one event above
    VstTimeInfo timeInfo{};
    bool hasTempo = false;
    bool adoptPortValues = false;  // set by restoring a bank, cleared by the next run
};
