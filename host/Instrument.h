// A plug-in instance of any format (VST 2.4, CLAP, LV2) as the tools drive it: the calls a sequencer
// makes to render a MIDI file, name parameters and programs, and save and restore a sound.
//
// Each format's host class implements this; code that only renders or edits parameters (the renderer,
// parameter and program lookup) takes an Instrument so that it works for every format alike. Lifecycle
// as for a sequencer: open, setSampleRate, setBlockSize, resume, process..., suspend, close. Nothing
// here is thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// A short MIDI channel message placed at a frame offset inside the block it is delivered with.
struct MidiMessage {
    int32_t deltaFrames = 0;
    uint8_t bytes[3] = {0, 0, 0};
};

class Instrument {
public:
    virtual ~Instrument() = default;

    // "VST 2.4", "CLAP" or "LV2".
    virtual std::string formatName() const = 0;
    virtual std::string effectName() = 0;

    virtual void open() = 0;
    virtual void setSampleRate(float rate) = 0;
    virtual void setBlockSize(int32_t frames) = 0;
    virtual void resume() = 0;
    virtual void suspend() = 0;
    // After close() the instance is gone and every other call does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual float sampleRate() const = 0;
    virtual int32_t blockSize() const = 0;

    virtual int numInputs() const = 0;
    virtual int numOutputs() const = 0;
    // True for an instrument that makes its sound from notes; false for an effect, which needs audio
    // at its inputs. Formats that say which they are answer so; without that, a plug-in with no inputs
    // can only be an instrument.
    virtual bool playsNotes() const { return numInputs() == 0; }
    // Renders frames (1..blockSize) into the output buffers after delivering the given messages,
    // which must be ordered by deltaFrames and lie inside the block. Returns false, rendering
    // nothing, when the instance is not resumed or the block or its events are out of bounds.
    virtual bool process(const MidiMessage* messages, size_t count, int32_t frames) = 0;
    bool process(const std::vector<MidiMessage>& messages, int32_t frames) {
        return process(messages.data(), messages.size(), frames);
    }
    virtual const float* output(int channel) const = 0;
    // Input channels hold what the caller last wrote; resume() zeroes them.
    virtual float* input(int channel) = 0;

    // Host tempo, for plug-ins that follow the transport; without one the plug-in is told none.
    virtual void setTempo(double beatsPerMinute) = 0;
    virtual void clearTempo() = 0;

    // Parameters, by index in the plug-in's own order, values normalised to 0..1.
    virtual int numParameters() const = 0;
    virtual float parameter(int index) const = 0;
    virtual void setParameter(int index, float value) = 0;
    virtual std::string parameterName(int index) = 0;

    // Programs (factory presets); a plug-in without any has none.
    virtual int numPrograms() const = 0;
    virtual int program() = 0;
    virtual void setProgram(int index) = 0;
    // Name of program index without switching to it; false when the plug-in does not answer.
    virtual bool programNameIndexed(int index, std::string& name) = 0;
};

}  // namespace host
