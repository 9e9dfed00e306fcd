// The sound source: 17 voices, the live parameter values, the shared tables and a queue of MIDI
// events timed to the sample.
//
// How a block is played. MIDI arrives before the audio call and is turned into queued events at
// once; voice allocation happens then too, one note ahead: every note-on starts on the voice
// reserved at the previous note-on, and picks and starts fading the voice the next note will take,
// so at most 16 notes sustain while one voice is always free to start without a click. The audio
// call then renders all voices segment by segment, executing each queued event at twice its frame
// offset (the voices run at twice the host rate), and empties the queue.
//
// How a segment is rendered. The active voices run side by side, one per vector lane
// (LaneRenderer), and are added into the mix in voice order: the same samples, bit for bit, as
// Voice::renderReference called on each voice in turn, which stays as the reference the tests and
// benchmarks compare with. The parameters are read once per segment for all voices.
//
// Threads: params and the voices' derived values are written from the host's or the editor's
// thread without locks; each is a single 32-bit store, so a block sees old or new values.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/LaneRenderer.h"
#include "engine/ParameterIndex.h"
#include "engine/Voice.h"
#include "engine/WaveTables.h"

enum EngineEventType : int32_t { NoteStart = 1, NoteRelease = 2, PitchBend = 3, ModWheel = 4 };

struct EngineEvent {
    int32_t type;
    int32_t note;         // shifted note number (NoteStart)
    float value;          // velocity 0..1, bend -1..1 or wheel 0..1
    int32_t frameOffset;  // in host frames from the start of the block
    int32_t voice;        // NoteStart, NoteRelease
};

class SynthEngine {
public:
    static constexpr int kVoiceCount = 17;
    static constexpr int kMaxEvents = 128;
    static constexpr int kNoteShift = 12;  // engine note = MIDI note - 12

    SynthEngine();

    // One MIDI message of a host block (channel ignored).
    void processMidi(uint8_t status, uint8_t data1, uint8_t data2, int32_t deltaFrames);
    void noteOn(int note, float velocity, int32_t frameOffset);
    void noteOff(int note, int32_t frameOffset);

    // Adds 2 x frames oversampled samples into out; scratch holds at least 2 x frames floats.
    // Events outside the block or out of order are played at the nearest point that keeps time
    // moving forward: before the block's start at its start, after its end at its end.
    void render(float* scratch, float* out, int frames) { renderSlice(scratch, out, 0, frames, true); }
    // Renders host frames [firstFrame, firstFrame + frames) of a block too long for the buffers;
    // the last slice empties the queue.
    void renderSlice(float* scratch, float* out, int firstFrame, int frames, bool lastSlice);

    // How voices are rendered: side by side in vector lanes (the default), or one after another
    // through Voice::renderReference, the plain algorithm that tests and benchmarks compare with.
    enum class VoicePath { Lanes, Reference };
    void setVoicePath(VoicePath path) { voicePath = path; }
    LaneRenderer& laneRenderer() { return lanes; }

    void setParameter(int index, float value);
    void applyToVoices(int index);
    void setSampleRate(float rate);

    int eventCount = 0;
    int reservedVoice = 0;
    float params[param::Count];
    Voice& voice(int index) { return *voices[index]; }
    const int* voiceOrderList() const { return voiceOrder; }
    const EngineEvent* queuedEvents() const { return events; }

private:
    bool queue(const EngineEvent& event);
    int chooseNextReservedVoice() const;
    void moveToBack(int voiceIndex);
    void renderVoices(float* scratch, float* out, int count);
    void execute(const EngineEvent& event);
    void silenceAll();

    std::unique_ptr<WaveTables> tables;
    std::unique_ptr<Voice> voices[kVoiceCount];
    Voice* voicePointers[kVoiceCount];
    LaneRenderer lanes;
    VoicePath voicePath = VoicePath::Lanes;
    int voiceOrder[kVoiceCount];  // front: reserved longest ago; back: reserved last
    EngineEvent events[kMaxEvents];
    int nextEvent = 0;  // first queued event not yet executed in this block
};
