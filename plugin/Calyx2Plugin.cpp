#include "plugin/Calyx2Plugin.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/BlockRenderer.h"
#include "plugin/EditorFactory.h"
#include "plugin/ParameterTable.h"

namespace {
constexpr VstInt32 kUniqueId = 0x4B5A4332;  // "KZC2"
constexpr VstInt32 kVendorVersion = 2000;
constexpr const char* kEffectName = "Calyx2";
constexpr const char* kVendorName = "Tamberlow Global Entertainment";
constexpr const char* kProductName = "KZ's Calyx2";
constexpr const char* kParameterLabel = "yum";
constexpr const char* kParameterDisplay = "100";
constexpr const char* kSupportedFeatures[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"};
// Hosts have asked for absurd block sizes; longer blocks are rendered in stretches of this many.
constexpr VstInt32 kLargestWorkBlock = 1 << 16;

bool isParameterIndex(VstInt32 index) { return index >= 0 && index < param::Count; }
}  // namespace

Calyx2Plugin::Calyx2Plugin(audioMasterCallback host) : ExtendedEffectBase(host, kProgramCount, param::Count) {
    setFlag(effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth, true);
    setNumInputs(0);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    filter.reset(new HalfBandFilter);
    bank.reset(new ProgramBank);
    engine.reset(new SynthEngine);
    chorus.reset(new Chorus);
    delay.reset(new TempoDelay);
    editor.reset(createPluginEditor(this));
    setFlag(effFlagsHasEditor, editor != nullptr);
    currentProgram = 0;
    loadLiveValues();
    engine->applyToVoices(param::RecomputeAll);
    if (editor) editor->refreshAll();
}

Calyx2Plugin::~Calyx2Plugin() {
    scratchBuffer.reset();
    mixBuffer.reset();
    filter.reset();
    engine.reset();
    bank.reset();
    chorus.reset();
    delay.reset();
}

void Calyx2Plugin::suspend() {
    scratchBuffer.reset();
    mixBuffer.reset();
    bufferFrames = 0;
}

void Calyx2Plugin::resume() {
    suspend();
    const VstInt32 frames = std::min(std::max(blockSize, VstInt32{1}), kLargestWorkBlock);
    scratchBuffer.reset(new (std::nothrow) float[2 * frames]);
    mixBuffer.reset(new (std::nothrow) float[2 * frames]);
    if (scratchBuffer && mixBuffer)
        bufferFrames = frames;
    else
        suspend();  // out of memory: stay silent rather than half-ready
    wantEvents(1);
}

void Calyx2Plugin::setSampleRate(float rate) {
    sampleRate = rate;
    engine->setSampleRate(rate);
    chorus->setSampleRate(rate);
    delay->setSampleRate(rate);
}

void Calyx2Plugin::processReplacing(float** /*inputs: none*/, float** outputs, VstInt32 sampleFrames) {
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    const int samplesPerSixteenth = samplesPerSixteenthAt(time ? &time->tempo : nullptr, sampleRate);
    const VstInt32 frames = std::max(sampleFrames, VstInt32{0});
    if (!outputs || !outputs[0] || !outputs[1]) return;
    if (!scratchBuffer) {  // not resumed: the host gets silence, not garbage
        std::fill(outputs[0], outputs[0] + frames, 0.0f);
        std::fill(outputs[1], outputs[1] + frames, 0.0f);
        return;
    }
    OutputChain chain{*engine, *filter, *chorus, *delay};
    VstInt32 done = 0;
    do {
        const VstInt32 stretch = std::min(frames - done, bufferFrames);
        const bool last = done + stretch == frames;
        renderBlock(chain, scratchBuffer.get(), mixBuffer.get(), outputs[0] + done, outputs[1] + done, done, stretch,
                    last, samplesPerSixteenth);
        done += stretch;
    } while (done < frames);
}

void Calyx2Plugin::setParameter(VstInt32 index, float value) {
    if (!isParameterIndex(index)) return;
    if (engine->params[index] == value) return;
    engine->setParameter(index, value);
    if (editor) {
        editor->updateParameter(index, value);
        editor->redrawDirty();
    }
}

float Calyx2Plugin::getParameter(int index) { return isParameterIndex(index) ? engine->params[index] : 0.0f; }

void Calyx2Plugin::storeLiveValues() {
    std::memcpy(bank->program(currentProgram).values, engine->params, sizeof engine->params);
}

void Calyx2Plugin::loadLiveValues() {
    std::memcpy(engine->params, bank->program(currentProgram).values, sizeof engine->params);
}

void Calyx2Plugin::setProgram(VstInt32 program) {
    if (program < 0 || program >= kProgramCount) return;
    storeLiveValues();
    currentProgram = program;
    loadLiveValues();
    engine->applyToVoices(param::RecomputeAll);
    if (editor) {
        editor->refreshAll();
        editor->redrawDirty();
    }
}

void Calyx2Plugin::setProgramName(char* name) {
    char* field = bank->program(currentProgram).name;
    std::memset(field, 0, kProgramNameLength);
    for (int i = 0; i < kProgramNameLength && name[i]; ++i) field[i] = name[i];
}

namespace {
void copyProgramName(const ProgramRecord& record, char* text) {
    int i = 0;
    for (; i < kProgramNameLength && record.name[i]; ++i) text[i] = record.name[i];
    for (; i <= kProgramNameLength; ++i) text[i] = 0;
}
}  // namespace

void Calyx2Plugin::getProgramName(char* name) { copyProgramName(bank->program(currentProgram), name); }

bool Calyx2Plugin::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index < 0 || index >= kProgramCount) {
        std::memset(text, 0, kProgramNameLength + 1);
        return false;
    }
    copyProgramName(bank->program(index), text);
    return true;
}

void Calyx2Plugin::getParameterLabel(VstInt32, char* label) { copyHostText(label, kParameterLabel, kVstMaxParamStrLen); }

void Calyx2Plugin::getParameterDisplay(VstInt32, char* text) {
    copyHostText(text, kParameterDisplay, kVstMaxParamStrLen);
}

void Calyx2Plugin::getParameterName(VstInt32 index, char* text) {
    if (isParameterIndex(index)) copyHostText(text, kParameterTable[index].name, kVstMaxParamStrLen);
}

bool Calyx2Plugin::canParameterBeAutomated(VstInt32 index) {
    return isParameterIndex(index) && kParameterTable[index].automatable;
}

VstInt32 Calyx2Plugin::getChunk(void** data, bool isPreset) {
    storeLiveValues();
    if (isPreset) {
        *data = engine->params;
        return kProgramChunkSize;
    }
    *data = bank->data();
    return kBankChunkSize;
}

VstInt32 Calyx2Plugin::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    VstInt32 accepted = 0;
    // memmove: a host may hand back the very buffer getChunk gave it.
    if (data && isPreset && byteSize == kProgramChunkSize) {
        std::memmove(bank->program(currentProgram).values, data, kProgramChunkSize);
        accepted = kProgramChunkSize;
    } else if (data && byteSize == kBankChunkSize) {
        std::memmove(bank->data(), data, kBankChunkSize);
        accepted = kBankChunkSize;
    }
    if (!accepted) {
        updateDisplay();
        return 0;
    }
    loadLiveValues();
    engine->applyToVoices(param::RecomputeAll);
    if (editor) editor->refreshAll();
    return accepted;
}

VstInt32 Calyx2Plugin::processEvents(VstEvents* events) {
    if (!events) return 1;
    // The host's list runs past the two pointers VstEvents declares: index the pointer it decays to,
    // not the declared array.
    VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        engine->processMidi(static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                            static_cast<uint8_t>(midi->midiData[2]), midi->deltaFrames);
    }
    return 1;
}

bool Calyx2Plugin::getEffectName(char* name) {
    copyHostText(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Calyx2Plugin::getVendorString(char* text) {
    copyHostText(text, kVendorName, kVstMaxVendorStrLen);
    return true;
}

bool Calyx2Plugin::getProductString(char* text) {
    copyHostText(text, kProductName, kVstMaxProductStrLen);
    return true;
}

VstInt32 Calyx2Plugin::getVendorVersion() { return kVendorVersion; }

VstInt32 Calyx2Plugin::canDo(char* text) {
    for (const char* feature : kSupportedFeatures)
        if (std::strcmp(text, feature) == 0) return 1;
    return -1;
}
