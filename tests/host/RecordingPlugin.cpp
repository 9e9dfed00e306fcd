#include "RecordingPlugin.h"

#include <cstdio>
#include <cstring>

namespace testplugin {
namespace {

Settings nextSettings;
int instances = 0;

VstIntPtr VSTCALLBACK dispatcherEntry(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                      float opt) {
    RecordingPlugin* plugin = RecordingPlugin::from(effect);
    VstIntPtr result = plugin->dispatch(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        delete plugin;
        --instances;
        return 1;
    }
    return result;
}

void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    (void)inputs;
    RecordingPlugin::from(effect)->render(outputs, frames);
}

void VSTCALLBACK setParameterEntry(AEffect* effect, VstInt32 index, float value) {
    RecordingPlugin* plugin = RecordingPlugin::from(effect);
    if (index >= 0 && index < kParameters) plugin->parameters[plugin->current][index] = value;
}

float VSTCALLBACK getParameterEntry(AEffect* effect, VstInt32 index) {
    RecordingPlugin* plugin = RecordingPlugin::from(effect);
    return index >= 0 && index < kParameters ? plugin->parameters[plugin->current][index] : 0.0f;
}

void copyText(void* ptr, const char* text, size_t size) {
    std::memset(ptr, 0, size + 1);
    std::memcpy(ptr, text, strnlen(text, size));
}

}  // namespace

void RecordingPlugin::configure(const Settings& settings) { nextSettings = settings; }
int RecordingPlugin::liveInstances() { return instances; }

RecordingPlugin::RecordingPlugin(audioMasterCallback host) : host_(host) {
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatcherEntry;
    effect.setParameter = setParameterEntry;
    effect.getParameter = getParameterEntry;
    effect.processReplacing = processReplacingEntry;
    effect.numPrograms = kPrograms;
    effect.numParams = kParameters;
    effect.numInputs = 0;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsIsSynth | (nextSettings.programChunks ? effFlagsProgramChunks : 0);
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = kUniqueId;
    effect.version = 3;
    for (int program = 0; program < kPrograms; ++program) {
        std::snprintf(names[program], kNameSize, "Program %d", program);
        for (int index = 0; index < kParameters; ++index) parameters[program][index] = 0.1f * (program + index);
    }
    ++instances;
}

void RecordingPlugin::editorEdit(int index, float value) {
    parameters[current][index] = value;
    host_(&effect, audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr RecordingPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case effOpen: calls.push_back("open"); return 0;
        case effClose: calls.push_back("close"); return 0;
        case effSetSampleRate:
            sampleRate = opt;
            calls.push_back("sampleRate " + std::to_string(static_cast<int>(opt)));
            return 0;
        case effSetBlockSize:
            blockSize = static_cast<int32_t>(value);
            calls.push_back("blockSize " + std::to_string(value));
            return 0;
        case effMainsChanged:
            calls.push_back(value ? "resume" : "suspend");
            if (value) host_(&effect, audioMasterWantMidi, 0, 1, nullptr, 0.0f);
            return 0;
        case effSetProgram:
            if (value >= 0 && value < kPrograms) current = static_cast<int>(value);
            return 0;
        case effGetProgram: return current;
        case effSetProgramName:
            std::memset(names[current], 0, kNameSize);
            std::strncpy(names[current], static_cast<const char*>(ptr), kNameSize);
            return 0;
        case effGetProgramName: copyText(ptr, names[current], kNameSize); return 0;
        case effGetProgramNameIndexed:
            if (index < 0 || index >= kPrograms) return 0;
            copyText(ptr, names[index], kNameSize);
            return 1;
        case effGetParamName: {
            static const char* const kNames[kParameters] = {"GAIN", "TONE", "MIX"};
            copyText(ptr, index >= 0 && index < kParameters ? kNames[index] : "", 8);
            return 0;
        }
        case effGetParamLabel: copyText(ptr, "dB", 8); return 0;
        case effGetParamDisplay: {
            char text[16];
            std::snprintf(text, sizeof text, "%.2f", static_cast<double>(getParameterEntry(&effect, index)));
            copyText(ptr, text, 8);
            return 0;
        }
        case effCanBeAutomated: return index == 0 ? 1 : 0;
        case effGetChunk: {
            if (index) {
                chunk_.assign(kProgramChunkSize, 0);
                std::memcpy(chunk_.data(), parameters[current], kProgramChunkSize);
            } else {
                chunk_.clear();
                for (int program = 0; program < kPrograms; ++program) {
                    auto* name = reinterpret_cast<const uint8_t*>(names[program]);
                    auto* values = reinterpret_cast<const uint8_t*>(parameters[program]);
                    chunk_.insert(chunk_.end(), name, name + kNameSize);
                    chunk_.insert(chunk_.end(), values, values + kProgramChunkSize);
                }
            }
            *static_cast<void**>(ptr) = chunk_.data();
            return static_cast<VstIntPtr>(chunk_.size());
        }
        case effSetChunk: {
            const auto* data = static_cast<const uint8_t*>(ptr);
            if (index && value == kProgramChunkSize) {
                std::memcpy(parameters[current], data, kProgramChunkSize);
                return value;
            }
            if (value == kBankChunkSize) {
                for (int program = 0; program < kPrograms; ++program) {
                    const uint8_t* record = data + program * (kNameSize + kProgramChunkSize);
                    std::memcpy(names[program], record, kNameSize);
                    std::memcpy(parameters[program], record + kNameSize, kProgramChunkSize);
                }
                return value;
            }
            host_(&effect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
            return 0;
        }
        case effProcessEvents: {
            const auto* list = static_cast<const VstEvents*>(ptr);
            for (int i = 0; i < list->numEvents; ++i) {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
                if (midi->type != kVstMidiType) continue;
                RecordedEvent event{samplesProcessed + midi->deltaFrames,
                                    {uint8_t(midi->midiData[0]), uint8_t(midi->midiData[1]), uint8_t(midi->midiData[2])}};
                events.push_back(event);
            }
            return 1;
        }
        case effGetEffectName: copyText(ptr, "Recorder", kVstMaxEffectNameLen); return 1;
        case effGetVendorString: copyText(ptr, "Test Vendor", kVstMaxVendorStrLen); return 1;
        case effGetProductString: copyText(ptr, "Test Recorder", kVstMaxProductStrLen); return 1;
        case effGetVendorVersion: return 7;
        case effGetVstVersion: return kVstVersion;
        case effGetPlugCategory: return kPlugCategSynth;
        case effCanDo:
            return std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0 ? 1 : -1;
        default: return 0;
    }
}

void RecordingPlugin::render(float** outputs, VstInt32 frames) {
    auto* time = reinterpret_cast<VstTimeInfo*>(host_(&effect, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
    double tempo = time ? time->tempo : 0.0;
    if (time) lastTime = *time;
    blockLengths.push_back(frames);
    blockTempi.push_back(tempo);
    calls.push_back("process " + std::to_string(frames));
    size_t next = 0;
    while (next < events.size() && events[next].sample < samplesProcessed) ++next;
    for (VstInt32 i = 0; i < frames; ++i) {
        int64_t sample = samplesProcessed + i;
        for (; next < events.size() && events[next].sample == sample; ++next) {
            const RecordedEvent& event = events[next];
            uint8_t kind = event.bytes[0] & 0xF0;
            if (kind == 0x90 && event.bytes[2] > 0) {
                level_ += event.bytes[2] / 127.0f;
                ++notesDown_;
            } else if (kind == 0x80 || kind == 0x90) {
                if (notesDown_ > 0) --notesDown_;
            }
        }
        outputs[0][i] = level_;
        outputs[1][i] = static_cast<float>(level_ * tempo / 1000.0);
        if (notesDown_ == 0) level_ *= kDecay;
    }
    samplesProcessed += frames;
}

AEffect* VSTCALLBACK recordingPluginMain(audioMasterCallback host) {
    if (nextSettings.askHostVersion && host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return &(new RecordingPlugin(host))->effect;
}

}  // namespace testplugin
