#include "plugin/ExtendedEffectBase.h"

#include "numeric/FloatMath.h"

VstInt32 ExtendedEffectBase::getPlugCategory() {
    return (effect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool ExtendedEffectBase::getSpeakerArrangement(void** input, void** output) {
    if (input) *input = nullptr;
    if (output) *output = nullptr;
    return false;
}

VstIntPtr ExtendedEffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents: processEvents(static_cast<VstEvents*>(ptr)); return 1;
        case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter: return string2parameter(index, text) ? 1 : 0;
        case effGetProgramNameIndexed:
            return (text && getProgramNameIndexed(static_cast<VstInt32>(value), index, text)) ? 1 : 0;
        case effGetInputProperties: return getInputProperties(index, ptr) ? 1 : 0;
        case effGetOutputProperties: return getOutputProperties(index, ptr) ? 1 : 0;
        case effGetPlugCategory: return getPlugCategory();
        case effOfflineNotify: return offlineNotify(ptr, static_cast<VstInt32>(value), index != 0);
        case effOfflinePrepare: return offlinePrepare(ptr, static_cast<VstInt32>(value)) ? 1 : 0;
        case effOfflineRun: return offlineRun(ptr, static_cast<VstInt32>(value)) ? 1 : 0;
        case effProcessVarIo: return processVariableIo(ptr) ? 1 : 0;
        case effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<void*>(value), ptr) ? 1 : 0;
        case effSetBypass: return setBypass(value != 0) ? 1 : 0;
        case effGetEffectName: return (text && getEffectName(text)) ? 1 : 0;
        case effGetVendorString: return (text && getVendorString(text)) ? 1 : 0;
        case effGetProductString: return (text && getProductString(text)) ? 1 : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return text ? canDo(text) : -1;
        case effGetTailSize: return getGetTailSize();
        case effGetParameterProperties: return getParameterProperties(index, ptr) ? 1 : 0;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor) return 0;
            VstKeyCode key{};
            key.character = index;
            key.virt = static_cast<unsigned char>(value & 0xFF);
            key.modifier = static_cast<unsigned char>(truncToInt(opt) & 0xFF);
            const bool used = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
            return used ? 1 : 0;
        }
        case effSetEditKnobMode: return (editor && editor->setKnobMode(static_cast<VstInt32>(value))) ? 1 : 0;
        case effGetMidiProgramName: return getMidiProgramName(index, ptr);
        case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
        case effGetMidiProgramCategory: return getMidiProgramCategory(index, ptr);
        case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index) ? 1 : 0;
        case effGetMidiKeyName: return getMidiKeyName(index, ptr) ? 1 : 0;
        case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
        case effEndSetProgram: return endSetProgram() ? 1 : 0;
        case effGetSpeakerArrangement:
            return getSpeakerArrangement(reinterpret_cast<void**>(value), static_cast<void**>(ptr)) ? 1 : 0;
        case effShellGetNextPlugin: return getNextShellPlugin(text);
        case effStartProcess: return startProcess();
        case effStopProcess: return stopProcess();
        case effSetTotalSampleToProcess: return setTotalSampleToProcess(value);
        case effSetPanLaw: return setPanLaw(static_cast<VstInt32>(value), opt) ? 1 : 0;
        case effBeginLoadBank: return beginLoadBank(ptr);
        case effBeginLoadProgram: return beginLoadProgram(ptr);
        case effSetProcessPrecision: return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default: return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}
