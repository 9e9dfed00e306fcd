#include "host/ClapInstrument.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {

// A CLAP binary loaded once per path in this process, its entry initialised for as long as any
// instance made from it lives.
class ClapModule {
public:
    static std::shared_ptr<ClapModule> load(const std::string& path, std::string& error);
    ~ClapModule();
    const clap_plugin_entry_t* entry() const { return entry_; }

private:
    void* handle_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
};

namespace {

constexpr const char* kHostName = "Calyx2 command-line host";
constexpr const char* kHostVendor = "Calyx2";
constexpr const char* kHostVersion = "2.0.0";
constexpr int kMaxChannels = 64;
constexpr double kBeatTimeFactor = 2147483648.0;  // clap_beattime's 31 fractional bits

std::mutex modulesMutex;
std::map<std::string, std::weak_ptr<ClapModule>> modules;

#ifdef _WIN32
void* openLibrary(const std::string& path) { return reinterpret_cast<void*>(LoadLibraryA(path.c_str())); }
void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path) {
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

// Event lists over vectors the host fills.
struct EventList {
    clap_input_events_t in{};
    const std::vector<const clap_event_header_t*>* events = nullptr;
    explicit EventList(const std::vector<const clap_event_header_t*>& list) : events(&list) {
        in.ctx = this;
        in.size = [](const clap_input_events_t* l) {
            return static_cast<uint32_t>(static_cast<const EventList*>(l->ctx)->events->size());
        };
        in.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
            const auto& list = *static_cast<const EventList*>(l->ctx)->events;
            return i < list.size() ? list[i] : nullptr;
        };
    }
};

struct OutputList {
    clap_output_events_t out{};
    std::vector<ClapOutputEvent>* records;
    explicit OutputList(std::vector<ClapOutputEvent>& into) : records(&into) {
        out.ctx = this;
        out.try_push = [](const clap_output_events_t* l, const clap_event_header_t* event) {
            if (!event) return false;
            auto* records = static_cast<OutputList*>(l->ctx)->records;
            if (event->space_id != CLAP_CORE_EVENT_SPACE_ID) return true;
            if (event->type == CLAP_EVENT_PARAM_VALUE && event->size >= sizeof(clap_event_param_value_t)) {
                const auto& value = reinterpret_cast<const clap_event_param_value_t&>(*event);
                records->push_back({event->type, value.param_id, value.value});
            } else if ((event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                       event->size >= sizeof(clap_event_param_gesture_t)) {
                records->push_back({event->type, reinterpret_cast<const clap_event_param_gesture_t&>(*event).param_id, 0.0});
            }
            return true;
        };
    }
};

clap_event_param_value_t parameterEvent(uint32_t time, clap_id id, double value) {
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

}  // namespace

std::shared_ptr<ClapModule> ClapModule::load(const std::string& path, std::string& error) {
    std::lock_guard<std::mutex> lock(modulesMutex);
    if (auto loaded = modules[path].lock()) return loaded;
    void* handle = openLibrary(path);
    if (!handle) {
        error = path + ": not a plug-in (cannot load it as a library)";
        return nullptr;
    }
    auto* entry = static_cast<const clap_plugin_entry_t*>(findSymbol(handle, "clap_entry"));
    if (!entry || !clapVersionIsCompatible(entry->clap_version) || !entry->init || !entry->get_factory) {
        closeLibrary(handle);
        error = path + ": not a CLAP plug-in (no usable clap_entry)";
        return nullptr;
    }
    if (!entry->init(path.c_str())) {
        closeLibrary(handle);
        error = path + ": the plug-in refused to start (its entry's init failed)";
        return nullptr;
    }
    std::shared_ptr<ClapModule> module(new ClapModule());
    module->handle_ = handle;
    module->entry_ = entry;
    modules[path] = module;
    return module;
}

ClapModule::~ClapModule() {
    if (entry_ && entry_->deinit) entry_->deinit();
    closeLibrary(handle_);
}

std::unique_ptr<ClapInstrument> ClapInstrument::load(const std::string& path, std::string& error,
                                                     const std::string& pluginId) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = path + ": no such file";
        return nullptr;
    }
    std::unique_ptr<ClapInstrument> instrument(new ClapInstrument());
    instrument->module_ = ClapModule::load(path, error);
    if (!instrument->module_) return nullptr;
    if (!instrument->start(pluginId, error)) {
        error = path + ": " + error;
        return nullptr;
    }
    return instrument;
}

bool ClapInstrument::start(const std::string& pluginId, std::string& error) {
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(module_->entry()->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!factory || factory->get_plugin_count(factory) == 0) {
        error = "the plug-in offers no plug-in factory";
        return false;
    }
    const clap_plugin_descriptor_t* chosen = nullptr;
    for (uint32_t i = 0; i < factory->get_plugin_count(factory) && !chosen; ++i) {
        const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, i);
        if (descriptor && descriptor->id && (pluginId.empty() || pluginId == descriptor->id)) chosen = descriptor;
    }
    if (!chosen) {
        error = pluginId.empty() ? "the factory describes no plug-in" : "no plug-in with the id " + pluginId;
        return false;
    }
    host_.clap_version = kClapVersion;
    host_.host_data = this;
    host_.name = kHostName;
    host_.vendor = kHostVendor;
    host_.url = "";
    host_.version = kHostVersion;
    host_.get_extension = hostExtension;
    host_.request_restart = [](const clap_host_t*) {};
    host_.request_process = [](const clap_host_t*) {};
    host_.request_callback = [](const clap_host_t*) {};
    plugin_ = factory->create_plugin(factory, &host_, chosen->id);
    if (!plugin_) {
        error = "the plug-in refused to start (its factory made no instance)";
        return false;
    }
    if (!plugin_->init(plugin_)) {
        plugin_->destroy(plugin_);
        plugin_ = nullptr;
        error = "the plug-in refused to start (its init failed)";
        return false;
    }
    readParameters();
    findPrograms();
    allocateBuffers();
    return true;
}

const void* ClapInstrument::hostExtension(const clap_host_t*, const char* id) {
    static const clap_host_params_t params = {
        [](const clap_host_t* h, uint32_t) { ++of(h)->rescanRequests_; },
        [](const clap_host_t*, clap_id, uint32_t) {},
        [](const clap_host_t* h) { ++of(h)->flushRequests_; },
    };
    static const clap_host_state_t state = {[](const clap_host_t*) {}};
    static const clap_host_timer_support_t timers = {
        [](const clap_host_t* h, uint32_t, clap_id* id) {
            if (!id) return false;
            auto& list = of(h)->timers_;
            *id = static_cast<clap_id>(list.size());
            list.push_back({*id, true});
            return true;
        },
        [](const clap_host_t* h, clap_id id) {
            auto& list = of(h)->timers_;
            if (id >= list.size() || !list[id].live) return false;
            list[id].live = false;
            return true;
        },
    };
    if (!id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &params;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &state;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &timers;
    return nullptr;
}

ClapInstrument::~ClapInstrument() { close(); }

void ClapInstrument::readParameters() {
    parameters_.clear();
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    if (!params) return;
    const uint32_t count = params->count(plugin_);
    for (uint32_t i = 0; i < count; ++i) {
        clap_param_info_t info{};
        if (params->get_info(plugin_, i, &info)) parameters_.push_back(info);
    }
}

// Presets that live inside the plug-in, as its preset-discovery factory lists them.
void ClapInstrument::findPrograms() {
    programs_.clear();
    const clap_plugin_entry_t* entry = module_->entry();
    const auto* factory =
        static_cast<const clap_preset_discovery_factory_t*>(entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    if (!factory)
        factory = static_cast<const clap_preset_discovery_factory_t*>(
            entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT));
    if (!factory || !extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD)) return;

    struct Indexer {
        clap_preset_discovery_indexer_t record{};
        bool insidePlugin = false;
        std::vector<Program>* programs = nullptr;
        std::string pluginId;
        bool forUs = true;
    } indexer;
    indexer.programs = &programs_;
    indexer.pluginId = plugin_->desc->id;
    indexer.record.clap_version = kClapVersion;
    indexer.record.name = kHostName;
    indexer.record.indexer_data = &indexer;
    indexer.record.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) {
        return true;
    };
    indexer.record.declare_location = [](const clap_preset_discovery_indexer_t* i,
                                         const clap_preset_discovery_location_t* location) {
        if (location && location->kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN)
            static_cast<Indexer*>(i->indexer_data)->insidePlugin = true;
        return true;
    };
    indexer.record.declare_soundpack = [](const clap_preset_discovery_indexer_t*,
                                          const clap_preset_discovery_soundpack_t*) { return true; };
    indexer.record.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* {
        return nullptr;
    };

    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &indexer;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver_t*, int32_t, const char*) {};
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
        auto* i = static_cast<Indexer*>(r->receiver_data);
        i->programs->push_back({name ? name : "", key ? key : ""});
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* r,
                                const clap_universal_plugin_id_t* id) {
        auto* i = static_cast<Indexer*>(r->receiver_data);
        if (id && id->id && i->pluginId != id->id && !i->programs->empty()) i->programs->pop_back();
    };
    receiver.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver_t*, uint32_t) {};
    receiver.add_creator = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_timestamps = [](const clap_preset_discovery_metadata_receiver_t*, clap_timestamp, clap_timestamp) {};
    receiver.add_feature = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.add_extra_info = [](const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {};

    for (uint32_t p = 0; p < factory->count(factory); ++p) {
        const clap_preset_discovery_provider_descriptor_t* descriptor = factory->get_descriptor(factory, p);
        if (!descriptor || !descriptor->id) continue;
        const clap_preset_discovery_provider_t* provider = factory->create(factory, &indexer.record, descriptor->id);
        if (!provider) continue;
        indexer.insidePlugin = false;
        if (provider->init(provider) && indexer.insidePlugin)
            provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver);
        provider->destroy(provider);
    }
}

void ClapInstrument::allocateBuffers() {
    outputPorts_.clear();
    inputPorts_.clear();
    if (const auto* ports = extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS)) {
        for (bool isInput : {false, true}) {
            auto& list = isInput ? inputPorts_ : outputPorts_;
            for (uint32_t i = 0; i < ports->count(plugin_, isInput); ++i) {
                clap_audio_port_info_t info{};
                if (ports->get(plugin_, i, isInput, &info)) list.push_back(info);
            }
        }
    }
    if (const auto* notes = extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS)) {
        clap_note_port_info_t info{};
        if (notes->count(plugin_, true) > 0 && notes->get(plugin_, 0, true, &info)) {
            prefersNotes_ = (info.supported_dialects & CLAP_NOTE_DIALECT_CLAP) != 0;
            takesMidi_ = (info.supported_dialects & CLAP_NOTE_DIALECT_MIDI) != 0;
        }
    }
    const size_t frames = static_cast<size_t>(blockSize_);
    for (bool isInput : {false, true}) {
        auto& ports = isInput ? inputPorts_ : outputPorts_;
        auto& channels = isInput ? inputs_ : outputs_;
        auto& pointers = isInput ? inputPointers_ : outputPointers_;
        auto& buffers = isInput ? inputBuffers_ : outputBuffers_;
        size_t total = 0;
        for (const auto& port : ports) total += std::min<uint32_t>(port.channel_count, kMaxChannels);
        channels.assign(total, std::vector<float>(frames, 0.0f));
        pointers.resize(total);
        for (size_t c = 0; c < total; ++c) pointers[c] = channels[c].data();
        buffers.assign(ports.size(), clap_audio_buffer_t{});
        size_t first = 0;
        for (size_t p = 0; p < ports.size(); ++p) {
            buffers[p].channel_count = std::min<uint32_t>(ports[p].channel_count, kMaxChannels);
            buffers[p].data32 = pointers.data() + first;
            first += buffers[p].channel_count;
        }
    }
}

std::string ClapInstrument::effectName() { return plugin_ && plugin_->desc->name ? plugin_->desc->name : ""; }

void ClapInstrument::setSampleRate(float rate) {
    if (rate > 0.0f) sampleRate_ = rate;
}

void ClapInstrument::setBlockSize(int32_t frames) {
    if (frames > 0) blockSize_ = frames;
}

void ClapInstrument::resume() {
    if (!plugin_ || active_) return;
    allocateBuffers();
    if (!plugin_->activate(plugin_, sampleRate_, 1, static_cast<uint32_t>(blockSize_))) return;
    active_ = true;
    plugin_->start_processing(plugin_);
}

void ClapInstrument::suspend() {
    if (!plugin_ || !active_) return;
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    active_ = false;
}

void ClapInstrument::close() {
    if (!plugin_) return;
    suspend();
    plugin_->destroy(plugin_);
    plugin_ = nullptr;
    parameters_.clear();
    programs_.clear();
}

bool ClapInstrument::process(const MidiMessage* messages, size_t count, int32_t frames) {
    if (!plugin_ || !active_ || frames <= 0 || frames > blockSize_) return false;
    for (size_t i = 0; i < count; ++i) {
        const int32_t offset = messages[i].deltaFrames;
        if (offset < 0 || offset >= frames || (i > 0 && offset < messages[i - 1].deltaFrames)) return false;
    }
    // Stable storage for the block's events: CLAP note events for notes where the plug-in takes
    // them, MIDI events otherwise.
    union Slot {
        clap_event_header_t header;
        clap_event_note_t note;
        clap_event_midi_t midi;
    };
    std::vector<Slot> slots(count);
    std::vector<const clap_event_header_t*> events;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* bytes = messages[i].bytes;
        const uint32_t time = static_cast<uint32_t>(messages[i].deltaFrames);
        const uint8_t kind = bytes[0] & 0xF0;
        if (prefersNotes_ && (kind == 0x80 || kind == 0x90)) {
            clap_event_note_t& note = slots[i].note;
            note = clap_event_note_t{};
            const bool on = kind == 0x90 && (bytes[2] & 0x7F) != 0;
            note.header = {sizeof note, time, CLAP_CORE_EVENT_SPACE_ID,
                           static_cast<uint16_t>(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), 0};
            note.note_id = -1;
            note.port_index = 0;
            note.channel = static_cast<int16_t>(bytes[0] & 0x0F);
            note.key = static_cast<int16_t>(bytes[1] & 0x7F);
            note.velocity = (bytes[2] & 0x7F) / 127.0;
        } else if (takesMidi_) {
            clap_event_midi_t& midi = slots[i].midi;
            midi = clap_event_midi_t{};
            midi.header = {sizeof midi, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
            std::memcpy(midi.data, bytes, 3);
        } else {
            continue;
        }
        events.push_back(&slots[i].header);
    }
    return run(events, frames);
}

bool ClapInstrument::processEvents(const std::vector<const clap_event_header_t*>& events, int32_t frames) {
    if (!plugin_ || !active_ || frames <= 0 || frames > blockSize_) return false;
    for (size_t i = 0; i < events.size(); ++i)
        if (!events[i] || events[i]->time >= static_cast<uint32_t>(frames) ||
            (i > 0 && events[i]->time < events[i - 1]->time))
            return false;
    return run(events, frames);
}

bool ClapInstrument::run(const std::vector<const clap_event_header_t*>& events, int32_t frames) {
    clap_event_transport_t transport{};
    if (hasTempo_) {
        transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
        transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
        transport.tempo = tempo_;
        transport.song_pos_beats = static_cast<clap_beattime>(std::llround(beats_ * kBeatTimeFactor));
        transport.tsig_num = 4;
        transport.tsig_denom = 4;
    }
    EventList in(events);
    OutputList out(outputEvents_);
    clap_process_t block{};
    block.steady_time = steadyTime_;
    block.frames_count = static_cast<uint32_t>(frames);
    block.transport = hasTempo_ ? &transport : nullptr;
    block.audio_inputs = inputBuffers_.data();
    block.audio_outputs = outputBuffers_.data();
    block.audio_inputs_count = static_cast<uint32_t>(inputBuffers_.size());
    block.audio_outputs_count = static_cast<uint32_t>(outputBuffers_.size());
    block.in_events = &in.in;
    block.out_events = &out.out;
    const int32_t status = plugin_->process(plugin_, &block);
    steadyTime_ += frames;
    beats_ += frames / static_cast<double>(sampleRate_) * tempo_ / 60.0;
    return status != CLAP_PROCESS_ERROR;
}

void ClapInstrument::setTempo(double beatsPerMinute) {
    hasTempo_ = true;
    tempo_ = beatsPerMinute;
}

const clap_param_info_t* ClapInstrument::parameterInfo(int index) const {
    return index >= 0 && index < numParameters() ? &parameters_[static_cast<size_t>(index)] : nullptr;
}

float ClapInstrument::parameter(int index) const {
    const clap_param_info_t* info = parameterInfo(index);
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    double value = 0.0;
    if (!info || !params || !params->get_value(plugin_, info->id, &value)) return 0.0f;
    return static_cast<float>(value);
}

// The change goes in at once through flush; between blocks that is where a VST 2.4 host's
// setParameter lands too.
void ClapInstrument::setParameter(int index, float value) {
    const clap_param_info_t* info = parameterInfo(index);
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    if (!info || !params) return;
    const clap_event_param_value_t event = parameterEvent(0, info->id, value);
    const std::vector<const clap_event_header_t*> list{&event.header};
    EventList in(list);
    OutputList out(outputEvents_);
    params->flush(plugin_, &in.in, &out.out);
}

void ClapInstrument::flushParameters() {
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    if (!params) return;
    const std::vector<const clap_event_header_t*> none;
    EventList in(none);
    OutputList out(outputEvents_);
    params->flush(plugin_, &in.in, &out.out);
}

std::string ClapInstrument::parameterName(int index) {
    const clap_param_info_t* info = parameterInfo(index);
    return info ? std::string(info->name, strnlen(info->name, CLAP_NAME_SIZE)) : "";
}

void ClapInstrument::setProgram(int index) {
    const auto* presets = extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    if (!presets || index < 0 || index >= numPrograms()) return;
    if (presets->from_location(plugin_, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                               programs_[static_cast<size_t>(index)].key.c_str()))
        program_ = index;
}

bool ClapInstrument::programNameIndexed(int index, std::string& name) {
    if (index < 0 || index >= numPrograms()) return false;
    name = programs_[static_cast<size_t>(index)].name;
    return true;
}

std::vector<uint8_t> ClapInstrument::saveState() {
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    std::vector<uint8_t> bytes;
    if (!state) return bytes;
    clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                              auto* into = static_cast<std::vector<uint8_t>*>(s->ctx);
                              const auto* from = static_cast<const uint8_t*>(data);
                              into->insert(into->end(), from, from + size);
                              return static_cast<int64_t>(size);
                          }};
    if (!state->save(plugin_, &stream)) bytes.clear();
    return bytes;
}

bool ClapInstrument::loadState(const std::vector<uint8_t>& bytes) {
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    if (!state) return false;
    struct Reader {
        const std::vector<uint8_t>* bytes;
        size_t position;
    } reader{&bytes, 0};
    clap_istream_t stream{&reader, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                              auto* from = static_cast<Reader*>(s->ctx);
                              const size_t count =
                                  std::min<size_t>(static_cast<size_t>(size), from->bytes->size() - from->position);
                              if (count > 0) std::memcpy(data, from->bytes->data() + from->position, count);
                              from->position += count;
                              return static_cast<int64_t>(count);
                          }};
    return state->load(plugin_, &stream);
}

void ClapInstrument::clearRecords() {
    outputEvents_.clear();
    flushRequests_ = 0;
    rescanRequests_ = 0;
}

size_t ClapInstrument::liveTimers() const {
    return static_cast<size_t>(std::count_if(timers_.begin(), timers_.end(), [](const Timer& t) { return t.live; }));
}

void ClapInstrument::fireTimers() {
    const auto* support = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (!support) return;
    for (size_t i = 0; i < timers_.size(); ++i)
        if (timers_[i].live) support->on_timer(plugin_, timers_[i].id);
}

}  // namespace host
