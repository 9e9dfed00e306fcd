// The lower of the two layers between a VST 2.4 host and the plug-in object: it owns the AEffect
// record the host holds, turns the core opcodes (0 to 24) into virtual operations with neutral
// defaults, and wraps the host callback. Nothing here is particular to the synthesiser.
#pragma once

#include <memory>

#include "editor/EditorBase.h"
#include "editor/ParameterHost.h"
#include "vst/vst2.h"

class EffectBase : public ParameterHost {
public:
    EffectBase(audioMasterCallback host, int programCount, int parameterCount);
    ~EffectBase() override;
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}
    virtual void setParameter(VstInt32, float) {}
    float getParameter(int) override { return 0.0f; }
    void setParameterAutomated(int index, float value) override;
    virtual VstInt32 getProgram() { return currentProgram; }
    virtual void setProgram(VstInt32 program) { currentProgram = program; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32, char* text) { *text = 0; }
    virtual VstInt32 getChunk(void**, bool) { return 0; }
    virtual VstInt32 setChunk(void*, VstInt32, bool) { return 0; }

    void setUniqueID(VstInt32 id) { effect.uniqueID = id; }
    void setNumInputs(VstInt32 count) { effect.numInputs = count; }
    void setNumOutputs(VstInt32 count) { effect.numOutputs = count; }
    void setFlag(VstInt32 flag, bool on) { effect.flags = on ? (effect.flags | flag) : (effect.flags & ~flag); }
    void setInitialDelay(VstInt32 delay) { effect.initialDelay = delay; }
    EditorBase* getEditor() { return editor.get(); }
    AEffect* getAeffect() { return &effect; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    // Host-callback wrappers; each answers 0 without calling when there is no host callback.
    VstIntPtr hostVersion();
    void wantEvents(VstInt32 filter);
    VstTimeInfo* getTimeInfo(VstInt32 filter);
    void updateDisplay();

    // Copies text into a host buffer of `field` characters, zero-filled, plus one zero past it.
    static void copyHostText(char* destination, const char* text, int field);

protected:
    audioMasterCallback hostCallback;
    std::unique_ptr<EditorBase> editor;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 programCount;
    VstInt32 parameterCount;
    VstInt32 currentProgram = 0;
    AEffect effect;

    VstIntPtr callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

private:
    static VstIntPtr VSTCALLBACK dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* ptr, float opt);
    static void VSTCALLBACK processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void VSTCALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void VSTCALLBACK processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs,
                                                        VstInt32 frames);
    static void VSTCALLBACK setParameterEntry(AEffect* e, VstInt32 index, float value);
    static float VSTCALLBACK getParameterEntry(AEffect* e, VstInt32 index);
};
