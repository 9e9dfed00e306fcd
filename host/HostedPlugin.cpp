#include "host/HostedPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace host {
namespace {

// Instances by record, so that the one host callback can answer for each. Answers are given with the
// lock held, which also keeps an instance from being unregistered while a callback is running.
std::mutex registryMutex;
std::vector<std::pair<AEffect*, HostedPlugin*>> registry;
// The instance whose entry point is running on this thread: the plug-in's first callbacks arrive before
// its record is known (the version query even comes with a null record).
thread_local HostedPlugin* instanceBeingCreated = nullptr;

constexpr int kMaxChannels = 64;
constexpr size_t kTextBufferSize = 512;  // far beyond the published limits: plug-ins overrun them
constexpr const char* kHostVendor = "Calyx2";
constexpr const char* kHostProduct = "Calyx2 command-line host";
constexpr VstIntPtr kHostVendorVersion = 2000;

static_assert(offsetof(VstEvents, events) == 2 * sizeof(VstIntPtr), "VstEvents pointers follow two words");

HostedPlugin* findInstance(AEffect* effect) {
    for (auto& entry : registry) {
        if (entry.first == effect) return entry.second;
    }
    return nullptr;
}

void registerInstance(AEffect* effect, HostedPlugin* plugin) {
    if (!findInstance(effect)) registry.emplace_back(effect, plugin);
}

void unregisterInstance(HostedPlugin* plugin) {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [plugin](const auto& entry) { return entry.second == plugin; }),
                   registry.end());
}

void copyText(void* destination, const char* text, size_t fieldLength) {
    if (!destination) return;
    char* out = static_cast<char*>(destination);
    std::strncpy(out, text, fieldLength);
    out[fieldLength] = 0;
}

}  // namespace

std::unique_ptr<HostedPlugin> HostedPlugin::load(const std::string& path, std::string& error,
                                                 const HostOptions& options) {
    std::shared_ptr<PluginModule> module = PluginModule::load(path, error);
    if (!module) return nullptr;
    return create(std::move(module), error, options);
}

std::unique_ptr<HostedPlugin> HostedPlugin::create(std::shared_ptr<PluginModule> module, std::string& error,
                                                   const HostOptions& options) {
    VstPluginEntryProc entry = module->entry();
    return createWith(entry, std::move(module), error, options);
}

std::unique_ptr<HostedPlugin> HostedPlugin::createFromEntry(VstPluginEntryProc entry, std::string& error,
                                                            const HostOptions& options) {
    return createWith(entry, nullptr, error, options);
}

std::unique_ptr<HostedPlugin> HostedPlugin::createWith(VstPluginEntryProc entry,
                                                       std::shared_ptr<PluginModule> module, std::string& error,
                                                       const HostOptions& options) {
    std::string name = module ? module->path() : std::string("plug-in");
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin(options));
    plugin->module_ = std::move(module);

    HostedPlugin* outer = instanceBeingCreated;
    instanceBeingCreated = plugin.get();
    AEffect* effect = entry ? entry(&HostedPlugin::hostCallback) : nullptr;
    instanceBeingCreated = outer;

    if (!effect) {
        unregisterInstance(plugin.get());
        error = name + ": the plug-in refused to start (its entry point returned no instance)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        // Not a record we can talk to; closing it could be as harmful as leaving it.
        unregisterInstance(plugin.get());
        error = name + ": not a VST 2.4 plug-in (its entry point returned a record without the 'VstP' magic)";
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registerInstance(effect, plugin.get());
    }
    plugin->effect_ = effect;
    plugin->resizeBuffers();
    return plugin;
}

HostedPlugin::~HostedPlugin() {
    close();
    unregisterInstance(this);
}

VstIntPtr VSTCALLBACK HostedPlugin::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                 VstIntPtr value, void* ptr, float opt) {
    std::lock_guard<std::mutex> lock(registryMutex);
    HostedPlugin* plugin = effect ? findInstance(effect) : nullptr;
    if (!plugin && instanceBeingCreated) {
        plugin = instanceBeingCreated;
        if (effect) registerInstance(effect, plugin);
    }
    if (!plugin) return opcode == audioMasterVersion ? kVstVersion : 0;
    return plugin->answer(opcode, index, value, ptr, opt);
}

VstIntPtr HostedPlugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    (void)value;
    switch (opcode) {
        case audioMasterAutomate: {
            std::lock_guard<std::mutex> lock(recordsMutex_);
            automation_.push_back({index, opt});
            return 0;
        }
        case audioMasterVersion:
            return options_.hostVersion;
        case audioMasterWantMidi: {
            std::lock_guard<std::mutex> lock(recordsMutex_);
            ++wantMidiRequests_;
            return 1;
        }
        case audioMasterGetTime: {
            {
                std::lock_guard<std::mutex> lock(recordsMutex_);
                ++timeInfoRequests_;
            }
            return reinterpret_cast<VstIntPtr>(currentTimeInfo());
        }
        case audioMasterUpdateDisplay: {
            std::lock_guard<std::mutex> lock(recordsMutex_);
            ++updateDisplayRequests_;
            return 1;
        }
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sampleRate_);
        case audioMasterGetBlockSize:
            return blockSize_;
        case audioMasterGetAutomationState:
            return 1;  // automation off
        case audioMasterGetVendorString:
            copyText(ptr, kHostVendor, kVstMaxVendorStrLen);
            return 1;
        case audioMasterGetProductString:
            copyText(ptr, kHostProduct, kVstMaxProductStrLen);
            return 1;
        case audioMasterGetVendorVersion:
            return kHostVendorVersion;
        case audioMasterGetLanguage:
            return 1;  // English
        case audioMasterCanDo: {
            if (!ptr) return 0;
            const char* feature = static_cast<const char*>(ptr);
            for (const char* supported : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo"}) {
                if (std::strcmp(feature, supported) == 0) return 1;
            }
            return 0;
        }
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
            return 1;
        default:
            return 0;
    }
}

VstTimeInfo* HostedPlugin::currentTimeInfo() {
    if (!hasTempo_) return nullptr;
    timeInfo_ = VstTimeInfo{};
    timeInfo_.samplePos = static_cast<double>(samplePosition_);
    timeInfo_.sampleRate = sampleRate_;
    timeInfo_.tempo = tempo_;
    timeInfo_.ppqPos = quarterNotePosition_;
    timeInfo_.barStartPos = std::floor(quarterNotePosition_ / 4.0) * 4.0;
    timeInfo_.timeSigNumerator = 4;
    timeInfo_.timeSigDenominator = 4;
    timeInfo_.flags = kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid |
                      (resumed_ ? kVstTransportPlaying : 0);
    return &timeInfo_;
}

VstIntPtr HostedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string HostedPlugin::textAnswer(VstInt32 opcode, VstInt32 index) {
    char text[kTextBufferSize] = {};
    dispatch(opcode, index, 0, text);
    text[kTextBufferSize - 1] = 0;
    return text;
}

std::string HostedPlugin::effectName() { return textAnswer(effGetEffectName); }
std::string HostedPlugin::vendorString() { return textAnswer(effGetVendorString); }
std::string HostedPlugin::productString() { return textAnswer(effGetProductString); }

VstIntPtr HostedPlugin::canDo(const std::string& feature) {
    std::string text = feature;
    return dispatch(effCanDo, 0, 0, &text[0]);
}

void HostedPlugin::open() { dispatch(effOpen); }

void HostedPlugin::setSampleRate(float rate) {
    sampleRate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void HostedPlugin::setBlockSize(int32_t frames) {
    if (frames <= 0) return;
    blockSize_ = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void HostedPlugin::resizeBuffers() {
    int inputs = std::clamp(effect_->numInputs, 0, kMaxChannels);
    int outputs = std::clamp(effect_->numOutputs, 0, kMaxChannels);
    inputs_.assign(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(blockSize_), 0.0f));
    outputs_.assign(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(blockSize_), 0.0f));
    // At least one entry each, so that a plug-in peeking at channel 0 finds a null instead of nothing.
    inputPointers_.assign(static_cast<size_t>(std::max(inputs, 1)), nullptr);
    outputPointers_.assign(static_cast<size_t>(std::max(outputs, 1)), nullptr);
    for (int channel = 0; channel < inputs; ++channel) inputPointers_[channel] = inputs_[channel].data();
    for (int channel = 0; channel < outputs; ++channel) outputPointers_[channel] = outputs_[channel].data();
    bufferFrames_ = blockSize_;
}

void HostedPlugin::resume() {
    if (!effect_) return;
    resizeBuffers();
    dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void HostedPlugin::suspend() {
    if (!effect_) return;
    dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void HostedPlugin::close() {
    if (!effect_) return;
    if (resumed_) suspend();
    dispatch(effClose);
    unregisterInstance(this);
    effect_ = nullptr;
}

bool HostedPlugin::process(const MidiMessage* messages, size_t count, int32_t frames) {
    if (!effect_ || !resumed_ || frames <= 0 || frames > blockSize_ || frames > bufferFrames_) return false;
    for (size_t i = 0; i < count; ++i) {
        int32_t offset = messages[i].deltaFrames;
        if (offset < 0 || offset >= frames) return false;
        if (i > 0 && offset < messages[i - 1].deltaFrames) return false;
    }
    if (count > 0) {
        if (midiEvents_.size() < count) midiEvents_.resize(count);
        size_t words = 2 + std::max<size_t>(count, 2);
        if (eventListStorage_.size() < words) eventListStorage_.resize(words);
        auto* list = reinterpret_cast<VstEvents*>(eventListStorage_.data());
        auto** pointers = reinterpret_cast<VstEvent**>(eventListStorage_.data() + 2);
        list->numEvents = static_cast<VstInt32>(count);
        list->reserved = 0;
        for (size_t i = 0; i < count; ++i) {
            VstMidiEvent& event = midiEvents_[i];
            event = VstMidiEvent{};
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = messages[i].deltaFrames;
            for (int b = 0; b < 3; ++b) event.midiData[b] = static_cast<char>(messages[i].bytes[b]);
            pointers[i] = reinterpret_cast<VstEvent*>(&event);
        }
        dispatch(effProcessEvents, 0, 0, list);
    }
    if (hasFlag(effFlagsCanReplacing) && effect_->processReplacing) {
        effect_->processReplacing(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    } else if (effect_->process) {
        for (auto& channel : outputs_) std::fill(channel.begin(), channel.begin() + frames, 0.0f);
        effect_->process(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    }
    samplePosition_ += frames;
    quarterNotePosition_ += frames / static_cast<double>(sampleRate_) * tempo_ / 60.0;
    return true;
}

float HostedPlugin::parameter(int index) const {
    if (!effect_ || index < 0 || index >= effect_->numParams) return 0.0f;
    return effect_->getParameter(effect_, index);
}

void HostedPlugin::setParameter(int index, float value) {
    if (!effect_ || index < 0 || index >= effect_->numParams) return;
    effect_->setParameter(effect_, index, value);
}

std::string HostedPlugin::parameterName(int index) { return textAnswer(effGetParamName, index); }
std::string HostedPlugin::parameterLabel(int index) { return textAnswer(effGetParamLabel, index); }
std::string HostedPlugin::parameterDisplay(int index) { return textAnswer(effGetParamDisplay, index); }
bool HostedPlugin::canBeAutomated(int index) { return dispatch(effCanBeAutomated, index) != 0; }

int HostedPlugin::program() { return static_cast<int>(dispatch(effGetProgram)); }
void HostedPlugin::setProgram(int index) { dispatch(effSetProgram, 0, index); }
std::string HostedPlugin::programName() { return textAnswer(effGetProgramName); }

void HostedPlugin::setProgramName(const std::string& name) {
    // The published limit is 24 characters; a plug-in may copy a fixed length, so pad the source.
    std::vector<char> text(std::max<size_t>(name.size() + 1, kTextBufferSize), 0);
    std::memcpy(text.data(), name.data(), name.size());
    dispatch(effSetProgramName, 0, 0, text.data());
}

bool HostedPlugin::programNameIndexed(int index, std::string& name) {
    char text[kTextBufferSize] = {};
    VstIntPtr answered = dispatch(effGetProgramNameIndexed, index, -1, text);
    text[kTextBufferSize - 1] = 0;
    name = text;
    return answered != 0;
}

std::vector<uint8_t> HostedPlugin::chunk(bool oneProgram) {
    void* data = nullptr;
    VstIntPtr size = dispatch(effGetChunk, oneProgram ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr HostedPlugin::setChunk(const std::vector<uint8_t>& data, bool oneProgram) {
    // The plug-in may keep the pointer only for the call; it is still handed a writable copy.
    std::vector<uint8_t> copy = data;
    return dispatch(effSetChunk, oneProgram ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data());
}

bool HostedPlugin::editorRect(ERect& rect) {
    if (!effect_ || !hasFlag(effFlagsHasEditor)) return false;
    ERect* answer = nullptr;
    dispatch(effEditGetRect, 0, 0, &answer);
    if (!answer) return false;
    rect = *answer;
    return true;
}

void HostedPlugin::setTempo(double beatsPerMinute) {
    hasTempo_ = true;
    tempo_ = beatsPerMinute;
}

void HostedPlugin::clearTempo() { hasTempo_ = false; }

std::vector<AutomationRecord> HostedPlugin::automationRecords() const {
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return automation_;
}

int HostedPlugin::wantMidiRequests() const {
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return wantMidiRequests_;
}

int HostedPlugin::updateDisplayRequests() const {
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return updateDisplayRequests_;
}

int HostedPlugin::timeInfoRequests() const {
    std::lock_guard<std::mutex> lock(recordsMutex_);
    return timeInfoRequests_;
}

void HostedPlugin::clearRecords() {
    std::lock_guard<std::mutex> lock(recordsMutex_);
    automation_.clear();
    wantMidiRequests_ = 0;
    updateDisplayRequests_ = 0;
    timeInfoRequests_ = 0;
}

}  // namespace host
