#include "plugin/EffectBase.h"

#include <cstring>

namespace {
constexpr VstInt32 kBaseUniqueId = 0x4E6F4566;
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;

EffectBase* objectOf(AEffect* e) { return static_cast<EffectBase*>(e->object); }
}  // namespace

EffectBase::EffectBase(audioMasterCallback host, int programs, int parameters)
    : hostCallback(host), programCount(programs), parameterCount(parameters) {
    std::memset(&effect, 0, sizeof effect);
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatchEntry;
    effect.process = processEntry;
    effect.setParameter = setParameterEntry;
    effect.getParameter = getParameterEntry;
    effect.numPrograms = programs;
    effect.numParams = parameters;
    effect.numInputs = 1;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = kBaseUniqueId;
    effect.version = 1;
    effect.processReplacing = processReplacingEntry;
    effect.processDoubleReplacing = processDoubleReplacingEntry;
}

EffectBase::~EffectBase() = default;

VstIntPtr EffectBase::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!hostCallback) return 0;
    return hostCallback(&effect, opcode, index, value, ptr, opt);
}

VstIntPtr EffectBase::hostVersion() { return callHost(audioMasterVersion, 0, 0, nullptr, 0.0f); }

void EffectBase::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f); }

VstTimeInfo* EffectBase::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

void EffectBase::updateDisplay() { callHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f); }

void EffectBase::setParameterAutomated(int index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::copyHostText(char* destination, const char* text, int field) {
    if (!destination) return;
    int i = 0;
    for (; i < field && text[i]; ++i) destination[i] = text[i];
    for (; i <= field; ++i) destination[i] = 0;
}

VstIntPtr EffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    (void)opt;
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            if (value >= 0 && value < programCount) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName: if (ptr) setProgramName(static_cast<char*>(ptr)); return 0;
        case effGetProgramName: if (ptr) getProgramName(static_cast<char*>(ptr)); return 0;
        case effGetParamLabel: if (ptr) getParameterLabel(index, static_cast<char*>(ptr)); return 0;
        case effGetParamDisplay: if (ptr) getParameterDisplay(index, static_cast<char*>(ptr)); return 0;
        case effGetParamName: if (ptr) getParameterName(index, static_cast<char*>(ptr)); return 0;
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case effMainsChanged:
            if (value == 0) suspend(); else resume();
            return 0;
        case effEditGetRect:
            return (editor && ptr && editor->getRect(static_cast<ERect**>(ptr))) ? 1 : 0;
        case effEditOpen: return (editor && editor->open(ptr)) ? 1 : 0;
        case effEditClose: if (editor) editor->close(); return 0;
        case effEditIdle: if (editor) editor->idle(); return 0;
        case effIdentify: return kIdentifyAnswer;
        case effGetChunk:
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default: return 0;
    }
}

VstIntPtr VSTCALLBACK EffectBase::dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                void* ptr, float opt) {
    if (!e || !e->object) return 0;
    EffectBase* object = objectOf(e);
    try {
        if (opcode == effClose) {
            object->dispatcher(opcode, index, value, ptr, opt);
            delete object;
            return 1;
        }
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        // Nothing may unwind into the host; an operation that ran out of memory did nothing.
        return 0;
    }
}

// The accumulating entry is deprecated in VST 2.4; its outputs are left as they are.
void VSTCALLBACK EffectBase::processEntry(AEffect*, float**, float**, VstInt32) {}

void VSTCALLBACK EffectBase::processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    objectOf(e)->processReplacing(inputs, outputs, frames);
}

void VSTCALLBACK EffectBase::processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs,
                                                         VstInt32 frames) {
    objectOf(e)->processDoubleReplacing(inputs, outputs, frames);
}

void VSTCALLBACK EffectBase::setParameterEntry(AEffect* e, VstInt32 index, float value) {
    objectOf(e)->setParameter(index, value);
}

float VSTCALLBACK EffectBase::getParameterEntry(AEffect* e, VstInt32 index) { return objectOf(e)->getParameter(index); }
