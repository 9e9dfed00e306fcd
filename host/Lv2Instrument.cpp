#include "host/Lv2Instrument.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/Lv2UridMap.h"

namespace host {
namespace {

constexpr size_t kEventBufferBytes = 1 << 16;
constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";
constexpr const char* kStateSubject = "urn:calyx2:host-state";

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Length of a channel message from its status byte; 0 for what is not one.
size_t channelMessageLength(uint8_t status) {
    if (status < 0x80 || status >= 0xF0) return 0;
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

// $LV2_PATH with every directory made absolute: lilv 0.24 crashes on a relative one.
std::string absoluteLv2Path(const char* path) {
    std::string result;
    std::string rest = path;
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        std::string directory = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        if (directory.empty()) continue;
        if (directory[0] != '/') {
            char* real = realpath(directory.c_str(), nullptr);
            if (!real) continue;  // not there: nothing to find in it
            directory = real;
            std::free(real);
        }
        result += (result.empty() ? "" : ":") + directory;
    }
    return result;
}

// An aligned buffer for one atom port.
using AtomBuffer = std::vector<uint64_t>;
AtomBuffer makeAtomBuffer() {
    return AtomBuffer(kEventBufferBytes / sizeof(uint64_t), 0);
}

}  // namespace

struct Lv2Instrument::Impl {
    enum class PortKind { ControlIn, ControlOut, AudioIn, AudioOut, CV, EventsIn, AtomIn, AtomOut, Unused };
    struct Preset {
        std::string uri;
        std::string label;
        LilvNode* node;
    };

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    bool active = false;
    float instanceRate = 0.0f;
    int32_t instanceBlock = 0;

    Lv2UridMap urids;
    LV2_URID atomChunk, atomSequence, atomFloat, atomDouble, atomInt, atomLong, atomBool, midiEvent;
    LV2_URID timePosition, timeFrame, timeSpeed, timeBeatsPerMinute;
    int32_t minBlockOption = 1, maxBlockOption = 0;
    float sampleRateOption = 0.0f;
    LV2_Options_Option options[4] = {};
    LV2_Feature mapFeature{}, unmapFeature{}, optionsFeature{}, boundedFeature{};
    const LV2_Feature* features[5] = {};

    std::vector<PortKind> kinds;
    std::vector<float> controls;  // one per port; read only for control ports
    std::vector<uint32_t> parameterPorts, audioInPorts, audioOutPorts;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float> silence;           // CV inputs and outputs
    std::vector<AtomBuffer> atomBuffers;  // one per port; empty for the others
    int eventsPort = -1;

    bool hasTempo = false;
    double tempo = 120.0;
    int64_t samplePosition = 0;

    std::vector<Preset> presets;
    int currentProgram = 0;

    ~Impl() {
        freeInstance();
        for (Preset& preset : presets) lilv_node_free(preset.node);
        if (world) lilv_world_free(world);
    }

    LilvNode* uri(const char* text) { return lilv_new_uri(world, text); }

    void initFeatures() {
        auto id = [this](const char* u) { return urids.map(u); };
        atomChunk = id(LV2_ATOM__Chunk);
        atomSequence = id(LV2_ATOM__Sequence);
        atomFloat = id(LV2_ATOM__Float);
        atomDouble = id(LV2_ATOM__Double);
        atomInt = id(LV2_ATOM__Int);
        atomLong = id(LV2_ATOM__Long);
        atomBool = id(LV2_ATOM__Bool);
        midiEvent = id(LV2_MIDI__MidiEvent);
        timePosition = id(LV2_TIME__Position);
        timeFrame = id(LV2_TIME__frame);
        timeSpeed = id(LV2_TIME__speed);
        timeBeatsPerMinute = id(LV2_TIME__beatsPerMinute);
        auto option = [this](const char* key, uint32_t size, LV2_URID type, const void* value) {
            return LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, urids.map(key), size, type, value};
        };
        options[0] = option(LV2_BUF_SIZE__minBlockLength, sizeof(int32_t), atomInt, &minBlockOption);
        options[1] = option(LV2_BUF_SIZE__maxBlockLength, sizeof(int32_t), atomInt, &maxBlockOption);
        options[2] = option(LV2_PARAMETERS__sampleRate, sizeof(float), atomFloat, &sampleRateOption);
        options[3] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        mapFeature = {LV2_URID__map, urids.mapFeatureData()};
        unmapFeature = {LV2_URID__unmap, urids.unmapFeatureData()};
        optionsFeature = {LV2_OPTIONS__options, options};
        boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
        features[0] = &mapFeature;
        features[1] = &unmapFeature;
        features[2] = &optionsFeature;
        features[3] = &boundedFeature;
        features[4] = nullptr;
    }

    bool supportsFeature(const char* feature) const {
        for (int i = 0; features[i]; ++i)
            if (std::strcmp(features[i]->URI, feature) == 0) return true;
        return false;
    }

    // Sorts the ports into kinds; false with error for a port this host cannot serve.
    bool classifyPorts(std::string& error) {
        LilvNode* input = uri(LV2_CORE__InputPort);
        LilvNode* output = uri(LV2_CORE__OutputPort);
        LilvNode* audio = uri(LV2_CORE__AudioPort);
        LilvNode* control = uri(LV2_CORE__ControlPort);
        LilvNode* cv = uri(LV2_CORE__CVPort);
        LilvNode* atom = uri(LV2_ATOM__AtomPort);
        LilvNode* midi = uri(LV2_MIDI__MidiEvent);
        LilvNode* optional = uri(LV2_CORE__connectionOptional);
        const uint32_t count = lilv_plugin_get_num_ports(plugin);
        std::vector<float> defaults(count, 0.0f);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
        kinds.assign(count, PortKind::Unused);
        controls.assign(count, 0.0f);
        atomBuffers.assign(count, AtomBuffer());
        bool ok = true;
        for (uint32_t i = 0; i < count && ok; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool isInput = lilv_port_is_a(plugin, port, input);
            const bool isOutput = lilv_port_is_a(plugin, port, output);
            PortKind& kind = kinds[i];
            if (lilv_port_is_a(plugin, port, control)) {
                kind = isInput ? PortKind::ControlIn : PortKind::ControlOut;
                controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
                if (isInput) parameterPorts.push_back(i);
            } else if (lilv_port_is_a(plugin, port, audio)) {
                kind = isInput ? PortKind::AudioIn : PortKind::AudioOut;
                (isInput ? audioInPorts : audioOutPorts).push_back(i);
            } else if (lilv_port_is_a(plugin, port, cv)) {
                kind = PortKind::CV;
            } else if (lilv_port_is_a(plugin, port, atom)) {
                atomBuffers[i] = makeAtomBuffer();
                if (isInput && eventsPort < 0 && lilv_port_supports_event(plugin, port, midi)) {
                    kind = PortKind::EventsIn;
                    eventsPort = static_cast<int>(i);
                } else {
                    kind = isInput ? PortKind::AtomIn : PortKind::AtomOut;
                }
            } else if (!lilv_port_has_property(plugin, port, optional)) {
                error = "port " + std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port))) +
                        " is of a kind this host does not know";
                ok = false;
            }
            if (ok && !isInput && !isOutput && kind != PortKind::Unused) {
                error = "port " + std::to_string(i) + " is neither an input nor an output";
                ok = false;
            }
        }
        for (LilvNode* node : {input, output, audio, control, cv, atom, midi, optional}) lilv_node_free(node);
        return ok;
    }

    void collectPresets() {
        LilvNode* presetClass = uri(LV2_PRESETS__Preset);
        LilvNode* label = uri(kRdfsLabel);
        LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
        LILV_FOREACH(nodes, i, related) {
            const LilvNode* node = lilv_nodes_get(related, i);
            lilv_world_load_resource(world, node);
            LilvNode* name = lilv_world_get(world, node, label, nullptr);
            presets.push_back(
                {lilv_node_as_uri(node), name ? lilv_node_as_string(name) : "", lilv_node_duplicate(node)});
            lilv_node_free(name);
        }
        lilv_nodes_free(related);
        lilv_node_free(label);
        lilv_node_free(presetClass);
        std::sort(presets.begin(), presets.end(),
                  [](const Preset& a, const Preset& b) { return a.uri < b.uri; });
    }

    void resizeBuffers(int32_t frames) {
        inputs.assign(audioInPorts.size(), std::vector<float>(frames, 0.0f));
        outputs.assign(audioOutPorts.size(), std::vector<float>(frames, 0.0f));
        silence.assign(frames, 0.0f);
    }

    void connectPorts() {
        size_t audioIn = 0, audioOut = 0;
        for (uint32_t i = 0; i < kinds.size(); ++i) {
            void* data = nullptr;
            switch (kinds[i]) {
                case PortKind::ControlIn:
                case PortKind::ControlOut:
                    data = &controls[i];
                    break;
                case PortKind::AudioIn:
                    data = inputs[audioIn++].data();
                    break;
                case PortKind::AudioOut:
                    data = outputs[audioOut++].data();
                    break;
                case PortKind::CV:
                    data = silence.data();
                    break;
                case PortKind::EventsIn:
                case PortKind::AtomIn:
                case PortKind::AtomOut:
                    data = atomBuffers[i].data();
                    break;
                case PortKind::Unused:
                    break;
            }
            lilv_instance_connect_port(instance, i, data);
        }
    }

    bool instantiate(float rate, int32_t frames) {
        maxBlockOption = frames;
        sampleRateOption = rate;
        resizeBuffers(frames);
        instance = lilv_plugin_instantiate(plugin, rate, features);
        if (!instance) return false;
        instanceRate = rate;
        instanceBlock = frames;
        connectPorts();
        return true;
    }

    void activate() {
        if (!instance || active) return;
        for (uint32_t i = 0; i < kinds.size(); ++i) {
            if (kinds[i] != PortKind::AtomIn) continue;
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atomBuffers[i].data());
            sequence->atom = {sizeof(LV2_Atom_Sequence_Body), atomSequence};
            sequence->body = {0, 0};
        }
        for (auto& channel : inputs) std::fill(channel.begin(), channel.end(), 0.0f);
        lilv_instance_activate(instance);
        active = true;
    }

    void deactivate() {
        if (instance && active) lilv_instance_deactivate(instance);
        active = false;
    }

    void freeInstance() {
        deactivate();
        if (instance) lilv_instance_free(instance);
        instance = nullptr;
    }

    static const void* portValue(const char* symbol, void* self, uint32_t* size, uint32_t* type) {
        auto* impl = static_cast<Impl*>(self);
        const int index = impl->portIndex(symbol);
        if (index < 0 || impl->kinds[index] != PortKind::ControlIn) return nullptr;
        *size = sizeof(float);
        *type = impl->atomFloat;
        return &impl->controls[index];
    }

    static void setPortValue(const char* symbol, void* self, const void* value, uint32_t size,
                             uint32_t type) {
        auto* impl = static_cast<Impl*>(self);
        const int index = impl->portIndex(symbol);
        if (index < 0 || impl->kinds[index] != PortKind::ControlIn) return;
        float converted;
        if (type == impl->atomFloat && size == sizeof(float)) {
            std::memcpy(&converted, value, sizeof converted);
        } else if (type == impl->atomDouble && size == sizeof(double)) {
            double number;
            std::memcpy(&number, value, sizeof number);
            converted = static_cast<float>(number);
        } else if ((type == impl->atomInt || type == impl->atomBool) && size == sizeof(int32_t)) {
            int32_t number;
            std::memcpy(&number, value, sizeof number);
            converted = static_cast<float>(number);
        } else if (type == impl->atomLong && size == sizeof(int64_t)) {
            int64_t number;
            std::memcpy(&number, value, sizeof number);
            converted = static_cast<float>(number);
        } else {
            return;
        }
        impl->controls[index] = converted;
    }

    int portIndex(const char* symbol) {
        LilvNode* node = lilv_new_string(world, symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
        lilv_node_free(node);
        return port ? static_cast<int>(lilv_port_get_index(plugin, port)) : -1;
    }

    LilvState* captureState() {
        if (!instance) return nullptr;
        return lilv_state_new_from_instance(plugin, instance, urids.mapFeatureData(), nullptr, nullptr,
                                            nullptr, nullptr, portValue, this,
                                            LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
    }

    void applyState(const LilvState* state) {
        lilv_state_restore(state, instance, setPortValue, this, 0, features);
    }

    // A new instance at this rate and block size, holding the old one's state.
    void recreate(float rate, int32_t frames) {
        const bool wasActive = active;
        LilvState* state = captureState();
        freeInstance();
        if (instantiate(rate, frames) && state) applyState(state);
        if (state) lilv_state_free(state);
        if (wasActive) activate();
    }

    // The run's events: a time:Position first when there is a tempo, then the MIDI messages.
    bool writeEvents(const MidiMessage* messages, size_t count) {
        if (eventsPort < 0) return true;
        AtomBuffer& buffer = atomBuffers[eventsPort];
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, urids.mapFeatureData());
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(buffer.data()),
                                  buffer.size() * sizeof(uint64_t));
        LV2_Atom_Forge_Frame sequence;
        bool ok = lv2_atom_forge_sequence_head(&forge, &sequence, 0) != 0;
        if (ok && hasTempo) {
            LV2_Atom_Forge_Frame position;
            ok = lv2_atom_forge_frame_time(&forge, 0) &&
                 lv2_atom_forge_object(&forge, &position, 0, timePosition) &&
                 lv2_atom_forge_key(&forge, timeFrame) && lv2_atom_forge_long(&forge, samplePosition) &&
                 lv2_atom_forge_key(&forge, timeSpeed) && lv2_atom_forge_float(&forge, 1.0f) &&
                 lv2_atom_forge_key(&forge, timeBeatsPerMinute) &&
                 lv2_atom_forge_float(&forge, static_cast<float>(tempo));
            if (ok) lv2_atom_forge_pop(&forge, &position);
        }
        for (size_t i = 0; i < count && ok; ++i) {
            const size_t length = channelMessageLength(messages[i].bytes[0]);
            if (length == 0) continue;
            ok = lv2_atom_forge_frame_time(&forge, messages[i].deltaFrames) &&
                 lv2_atom_forge_atom(&forge, static_cast<uint32_t>(length), midiEvent) &&
                 lv2_atom_forge_write(&forge, messages[i].bytes, static_cast<uint32_t>(length));
        }
        if (ok) lv2_atom_forge_pop(&forge, &sequence);
        return ok;
    }

    void prepareAtomOutputs() {
        for (uint32_t i = 0; i < kinds.size(); ++i) {
            if (kinds[i] != PortKind::AtomOut) continue;
            auto* atom = reinterpret_cast<LV2_Atom*>(atomBuffers[i].data());
            atom->size = static_cast<uint32_t>(atomBuffers[i].size() * sizeof(uint64_t) - sizeof(LV2_Atom));
            atom->type = atomChunk;
        }
    }
};

Lv2Instrument::Lv2Instrument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Lv2Instrument::~Lv2Instrument() = default;

bool Lv2Instrument::looksLikeLv2(const std::string& location) {
    if (endsWith(location, ".lv2") || endsWith(location, ".lv2/") || isDirectory(location)) return true;
    // A URI: a scheme before the first slash, and nothing of that name on disk.
    const size_t colon = location.find(':');
    struct stat info {};
    return colon != std::string::npos && colon > 0 && colon < location.find('/') &&
           stat(location.c_str(), &info) != 0;
}

std::unique_ptr<Lv2Instrument> Lv2Instrument::load(const std::string& location, std::string& error) {
    auto impl = std::make_unique<Impl>();
    impl->world = lilv_world_new();
    if (!impl->world) {
        error = location + ": lilv could not start";
        return nullptr;
    }
    LilvNode* bundle = nullptr;
    if (isDirectory(location)) {
        char* real = realpath(location.c_str(), nullptr);
        std::string directory = real ? real : location;
        std::free(real);
        if (!endsWith(directory, "/")) directory += "/";
        bundle = lilv_new_file_uri(impl->world, nullptr, directory.c_str());
        lilv_world_load_bundle(impl->world, bundle);
    } else if (endsWith(location, ".lv2") || endsWith(location, ".lv2/")) {
        error = location + ": no such bundle directory";
        return nullptr;
    } else {
        if (const char* path = std::getenv("LV2_PATH")) {
            LilvNode* absolute = lilv_new_string(impl->world, absoluteLv2Path(path).c_str());
            lilv_world_set_option(impl->world, LILV_OPTION_LV2_PATH, absolute);
            lilv_node_free(absolute);
        }
        lilv_world_load_all(impl->world);
    }
    const LilvPlugins* plugins = lilv_world_get_all_plugins(impl->world);
    if (bundle) {
        LILV_FOREACH(plugins, i, plugins) {
            const LilvPlugin* candidate = lilv_plugins_get(plugins, i);
            if (lilv_node_equals(lilv_plugin_get_bundle_uri(candidate), bundle)) {
                impl->plugin = candidate;
                break;
            }
        }
        lilv_node_free(bundle);
    } else {
        LilvNode* pluginUri = lilv_new_uri(impl->world, location.c_str());
        impl->plugin = lilv_plugins_get_by_uri(plugins, pluginUri);
        lilv_node_free(pluginUri);
    }
    if (!impl->plugin) {
        error = location + (bundle ? ": the bundle describes no LV2 plug-in"
                                   : ": no LV2 plug-in with this URI on the LV2 path");
        return nullptr;
    }
    if (!lilv_plugin_verify(impl->plugin)) {
        error = location + ": the plug-in's description is incomplete";
        return nullptr;
    }
    impl->initFeatures();
    LilvNodes* required = lilv_plugin_get_required_features(impl->plugin);
    std::string missing;
    LILV_FOREACH(nodes, i, required) {
        const char* feature = lilv_node_as_uri(lilv_nodes_get(required, i));
        if (!impl->supportsFeature(feature)) missing += std::string(missing.empty() ? "" : ", ") + feature;
    }
    lilv_nodes_free(required);
    if (!missing.empty()) {
        error = location + ": the plug-in requires features this host lacks: " + missing;
        return nullptr;
    }
    std::string portError;
    if (!impl->classifyPorts(portError)) {
        error = location + ": " + portError;
        return nullptr;
    }
    impl->collectPresets();
    return std::unique_ptr<Lv2Instrument>(new Lv2Instrument(std::move(impl)));
}

std::string Lv2Instrument::effectName() {
    LilvNode* name = lilv_plugin_get_name(impl_->plugin);
    std::string text = name ? lilv_node_as_string(name) : "";
    lilv_node_free(name);
    return text;
}

std::string Lv2Instrument::uri() const {
    return lilv_node_as_uri(lilv_plugin_get_uri(impl_->plugin));
}

void Lv2Instrument::open() {
    if (!impl_->instance) impl_->instantiate(sampleRate_, blockSize_);
}

void Lv2Instrument::setSampleRate(float rate) {
    sampleRate_ = rate;
    if (impl_->instance && rate != impl_->instanceRate)
        impl_->recreate(rate, std::max(blockSize_, impl_->instanceBlock));
}

void Lv2Instrument::setBlockSize(int32_t frames) {
    if (frames < 1) return;
    blockSize_ = frames;
    if (impl_->instance && frames > impl_->instanceBlock) impl_->recreate(sampleRate_, frames);
}

void Lv2Instrument::resume() {
    impl_->activate();
    impl_->samplePosition = 0;
}

void Lv2Instrument::suspend() {
    impl_->deactivate();
}

void Lv2Instrument::close() {
    impl_->freeInstance();
}

bool Lv2Instrument::isOpen() const {
    return impl_->instance != nullptr;
}

int Lv2Instrument::numInputs() const {
    return static_cast<int>(impl_->audioInPorts.size());
}
int Lv2Instrument::numOutputs() const {
    return static_cast<int>(impl_->audioOutPorts.size());
}

bool Lv2Instrument::process(const MidiMessage* messages, size_t count, int32_t frames) {
    Impl& impl = *impl_;
    if (!impl.instance || !impl.active || frames < 1 || frames > blockSize_) return false;
    int32_t previous = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t at = messages[i].deltaFrames;
        if (at < previous || at >= frames) return false;
        previous = at;
    }
    if (!impl.writeEvents(messages, count)) return false;
    impl.prepareAtomOutputs();
    lilv_instance_run(impl.instance, static_cast<uint32_t>(frames));
    impl.samplePosition += frames;
    return true;
}

const float* Lv2Instrument::output(int channel) const {
    return impl_->outputs[channel].data();
}
float* Lv2Instrument::input(int channel) {
    return impl_->inputs[channel].data();
}

void Lv2Instrument::setTempo(double beatsPerMinute) {
    impl_->hasTempo = true;
    impl_->tempo = beatsPerMinute;
}

void Lv2Instrument::clearTempo() {
    impl_->hasTempo = false;
}

int Lv2Instrument::numParameters() const {
    return static_cast<int>(impl_->parameterPorts.size());
}

float Lv2Instrument::parameter(int index) const {
    if (index < 0 || index >= numParameters()) return 0.0f;
    return impl_->controls[impl_->parameterPorts[index]];
}

void Lv2Instrument::setParameter(int index, float value) {
    if (index >= 0 && index < numParameters()) impl_->controls[impl_->parameterPorts[index]] = value;
}

std::string Lv2Instrument::parameterName(int index) {
    if (index < 0 || index >= numParameters()) return "";
    const LilvPort* port = lilv_plugin_get_port_by_index(impl_->plugin, impl_->parameterPorts[index]);
    LilvNode* name = lilv_port_get_name(impl_->plugin, port);
    std::string text = name ? lilv_node_as_string(name) : "";
    lilv_node_free(name);
    return text;
}

std::string Lv2Instrument::parameterSymbol(int index) {
    if (index < 0 || index >= numParameters()) return "";
    const LilvPort* port = lilv_plugin_get_port_by_index(impl_->plugin, impl_->parameterPorts[index]);
    return lilv_node_as_string(lilv_port_get_symbol(impl_->plugin, port));
}

int Lv2Instrument::numPrograms() const {
    return static_cast<int>(impl_->presets.size());
}

int Lv2Instrument::program() {
    return impl_->currentProgram;
}

void Lv2Instrument::setProgram(int index) {
    if (index < 0 || index >= numPrograms()) return;
    LilvState* state =
        lilv_state_new_from_world(impl_->world, impl_->urids.mapFeatureData(), impl_->presets[index].node);
    if (!state) return;
    impl_->applyState(state);
    lilv_state_free(state);
    impl_->currentProgram = index;
}

bool Lv2Instrument::programNameIndexed(int index, std::string& name) {
    if (index < 0 || index >= numPrograms()) return false;
    name = impl_->presets[index].label;
    return true;
}

std::string Lv2Instrument::saveState() {
    LilvState* state = impl_->captureState();
    if (!state) return "";
    char* text = lilv_state_to_string(impl_->world, impl_->urids.mapFeatureData(),
                                      impl_->urids.unmapFeatureData(), state, kStateSubject, nullptr);
    std::string turtle = text ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return turtle;
}

bool Lv2Instrument::restoreState(const std::string& turtle) {
    if (turtle.empty()) return false;  // serd reads past an empty string
    LilvState* state =
        lilv_state_new_from_string(impl_->world, impl_->urids.mapFeatureData(), turtle.c_str());
    if (!state) return false;
    impl_->applyState(state);
    lilv_state_free(state);
    return true;
}

}  // namespace host
