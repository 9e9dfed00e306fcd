// One LV2 plug-in instance driven through lilv, as the tools drive any instrument (see Instrument.h).
//
// Where the VST 2.4 host calls the plug-in, an LV2 host owns the values: control ports are floats
// here that the plug-in reads at each run, so parameters can be set at any time, before or after
// instantiation. The instance is created by open() at the sample rate and block size known then; a
// later change of rate, or a block size beyond the one given at instantiation, creates a new instance
// and carries the old one's state (port values and the plug-in's own state) over to it.
//
// MIDI messages become midi:MidiEvent atoms in the plug-in's event input, at their frames; with a
// tempo set, each run starts with a time:Position carrying it (as a Float, as hosts send it).
// Programs are the plug-in's presets (pset:Preset), ordered by URI; applying one sets port values
// and restores whatever plug-in state the preset carries. saveState/restoreState exchange the whole
// state as Turtle text, as lilv writes it. Nothing here is thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/Instrument.h"

namespace host {

class Lv2Instrument : public Instrument {
  public:
    // location: a bundle directory (or any path ending in .lv2), whose first plug-in is taken, or a
    // plug-in URI looked up on the LV2 path. On failure returns null with error set to one sentence
    // that starts with location.
    static std::unique_ptr<Lv2Instrument> load(const std::string& location, std::string& error);
    // Whether location names an LV2 plug-in rather than a binary of another format.
    static bool looksLikeLv2(const std::string& location);

    ~Lv2Instrument() override;
    Lv2Instrument(const Lv2Instrument&) = delete;
    Lv2Instrument& operator=(const Lv2Instrument&) = delete;

    std::string formatName() const override { return "LV2"; }
    std::string effectName() override;
    std::string uri() const;

    void open() override;
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t frames) override;
    void resume() override;
    void suspend() override;
    void close() override;
    bool isOpen() const override;
    float sampleRate() const override { return sampleRate_; }
    int32_t blockSize() const override { return blockSize_; }

    int numInputs() const override;
    int numOutputs() const override;
    bool process(const MidiMessage* messages, size_t count, int32_t frames) override;
    using Instrument::process;
    const float* output(int channel) const override;
    float* input(int channel) override;

    void setTempo(double beatsPerMinute) override;
    void clearTempo() override;

    int numParameters() const override;
    float parameter(int index) const override;
    void setParameter(int index, float value) override;
    std::string parameterName(int index) override;
    std::string parameterSymbol(int index);

    int numPrograms() const override;
    int program() override;
    void setProgram(int index) override;
    bool programNameIndexed(int index, std::string& name) override;

    // The instance's whole state as Turtle (empty when there is no instance), and back; restoreState
    // returns false for text lilv cannot read as a state.
    std::string saveState();
    bool restoreState(const std::string& turtle);

  private:
    struct Impl;
    explicit Lv2Instrument(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    float sampleRate_ = 44100.0f;
    int32_t blockSize_ = 1024;
};

}  // namespace host
