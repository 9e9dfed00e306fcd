// Calyx2: the plug-in object a host instance talks to.
//
// A host reaches us only through the AEffect record that EffectBase embeds: opcodes arrive through
// two dispatcher layers as virtual calls, audio through processReplacing, parameters through
// setParameter/getParameter. This object owns everything else and wires it together:
//
//   host MIDI ──> SynthEngine (17 voices, event queue, live parameter values)
//   processReplacing ──> engine at 2x rate ──> half-band filter ──> decimate ──> chorus ──> delay
//   host/editor parameter changes ──> engine params + voices ──> editor controls
//   programs ──> ProgramBank (32 records) <──> state chunks
//
// The live value of every parameter is the engine's params array; the bank's record of the current
// program is brought up to date from it only on a program switch or a chunk request. Nothing takes a
// lock: parameter and program calls may come from the host's other threads and a block may see a
// mixture of old and new values, each written with one store. All memory is taken at construction,
// resume and sample-rate changes; processing allocates nothing.
#pragma once

#include <memory>

#include "effects/Chorus.h"
#include "effects/TempoDelay.h"
#include "engine/HalfBandFilter.h"
#include "engine/SynthEngine.h"
#include "plugin/ExtendedEffectBase.h"
#include "plugin/ProgramBank.h"

class Calyx2Plugin : public ExtendedEffectBase {
public:
    explicit Calyx2Plugin(audioMasterCallback host);
    ~Calyx2Plugin() override;

    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(int index) override;

    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool canParameterBeAutomated(VstInt32 index) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;

    SynthEngine& getEngine() { return *engine; }
    ProgramBank& getBank() { return *bank; }
    bool hasWorkBuffers() const { return scratchBuffer != nullptr; }
    VstInt32 workBufferFrames() const { return bufferFrames; }

private:
    void storeLiveValues();
    void loadLiveValues();

    std::unique_ptr<float[]> scratchBuffer;
    std::unique_ptr<float[]> mixBuffer;
    VstInt32 bufferFrames = 0;  // block size at the last resume
    std::unique_ptr<HalfBandFilter> filter;
    std::unique_ptr<SynthEngine> engine;
    std::unique_ptr<ProgramBank> bank;
    std::unique_ptr<Chorus> chorus;
    std::unique_ptr<TempoDelay> delay;
};
