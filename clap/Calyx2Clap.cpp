#include "clap/Calyx2Clap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "clap/NoteEvents.h"
#include "editor/KZGuiWindow.h"

namespace calyx2clap {
namespace {
constexpr VstIntPtr kAnsweredVersion = kVstVersion;
constexpr uint8_t kAllNotesOff = 0xB0;
constexpr uint8_t kAllNotesOffController = 123;

bool isParameterChange(const clap_event_header_t& event) {
    return event.space_id == CLAP_CORE_EVENT_SPACE_ID && event.type == CLAP_EVENT_PARAM_VALUE;
}
}  // namespace

Calyx2Clap* Calyx2Clap::of(const clap_plugin_t* plugin) {
    return plugin ? static_cast<Calyx2Clap*>(plugin->plugin_data) : nullptr;
}

const clap_plugin_t* Calyx2Clap::create(const clap_host_t* host) {
    if (!host || !clapVersionIsCompatible(host->clap_version)) return nullptr;
    auto* instance = new (std::nothrow) Calyx2Clap(host);
    return instance ? &instance->record : nullptr;
}

Calyx2Clap::Calyx2Clap(const clap_host_t* clapHost) : host(clapHost) {
    record.desc = &kDescriptor;
    record.plugin_data = this;
    record.init = [](const clap_plugin_t* p) { return of(p)->init(); };
    record.destroy = [](const clap_plugin_t* p) { delete of(p); };
    record.activate = [](const clap_plugin_t* p, double rate, uint32_t, uint32_t maxFrames) {
        return of(p)->activate(rate, maxFrames);
    };
    record.deactivate = [](const clap_plugin_t* p) { of(p)->deactivate(); };
    record.start_processing = [](const clap_plugin_t* p) { return of(p)->active; };
    record.stop_processing = [](const clap_plugin_t*) {};
    record.reset = [](const clap_plugin_t* p) { of(p)->reset(); };
    record.process = [](const clap_plugin_t* p, const clap_process_t* process) {
        return process ? of(p)->process(*process) : int32_t{CLAP_PROCESS_ERROR};
    };
    record.get_extension = [](const clap_plugin_t* p, const char* id) { return id ? of(p)->extension(id) : nullptr; };
    record.on_main_thread = [](const clap_plugin_t*) {};
    midiList.numEvents = 0;
    for (int i = 0; i < kMostMidiPerPiece; ++i) midiList.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
}

Calyx2Clap::~Calyx2Clap() {
    if (guiCreated) destroyGui();
    if (active) deactivate();
    if (effect) dispatch(effClose);
}

bool Calyx2Clap::init() {
    if (effect) return true;
    try {
        object = new Calyx2Plugin(&Calyx2Clap::audioMaster);
    } catch (...) {
        return false;
    }
    effect = object->getAeffect();
    // The record's user field is the host's to keep; we are this object's host.
    effect->user = this;
    hostParams = hostExtension<clap_host_params_t>(CLAP_EXT_PARAMS);
    // Fresh from construction, the bank is the factory bank.
    const float* factoryProgram = object->getBank().program(0).values;
    std::copy(factoryProgram, factoryProgram + param::Count, defaults.begin());
    return true;
}

VstIntPtr Calyx2Clap::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr VSTCALLBACK Calyx2Clap::audioMaster(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr,
                                              void*, float opt) {
    auto* self = effect ? static_cast<Calyx2Clap*>(effect->user) : nullptr;
    switch (opcode) {
        case audioMasterVersion: return kAnsweredVersion;
        case audioMasterWantMidi: return 1;
        case audioMasterGetTime:
            return self && self->timeInfoValid ? reinterpret_cast<VstIntPtr>(&self->timeInfo) : 0;
        case audioMasterAutomate:
            if (self) self->panelEdited(index, opt);
            return 0;
        case audioMasterUpdateDisplay:
            if (self) self->rescanValues();
            return 1;
        default: return 0;
    }
}

const void* Calyx2Clap::extension(const char* id) const {
    struct Offer {
        const char* id;
        const void* table;
    };
    const Offer offers[] = {
        {CLAP_EXT_PARAMS, &kParams},           {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},  {CLAP_EXT_NOTE_PORTS, &kNotePorts},
        {CLAP_EXT_LATENCY, &kLatency},         {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport},
        {CLAP_EXT_PRESET_LOAD, &kPresetLoad},  {CLAP_EXT_PRESET_LOAD_COMPAT, &kPresetLoad},
        {CLAP_EXT_GUI, object && object->getEditor() ? &kGui : nullptr},
    };
    for (const Offer& offer : offers)
        if (std::strcmp(id, offer.id) == 0) return offer.table;
    return nullptr;
}

bool Calyx2Clap::activate(double sampleRate, uint32_t maxFrames) {
    if (!effect || active || !(sampleRate > 0.0) || maxFrames < 1) return false;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(std::min<uint32_t>(maxFrames, INT32_MAX)));
    dispatch(effMainsChanged, 0, 1);
    active = object->hasWorkBuffers();
    if (!active) dispatch(effMainsChanged, 0, 0);
    return active;
}

void Calyx2Clap::deactivate() {
    if (!active) return;
    dispatch(effMainsChanged, 0, 0);
    active = false;
}

// Every voice silenced at once, as the all-notes-off controller does; the plug-in keeps no other
// state that a reset could clear without changing what the next block sounds like in VST 2.4.
void Calyx2Clap::reset() {
    if (!effect) return;
    midiList.numEvents = 0;
    addMidi(MidiBytes{kAllNotesOff, kAllNotesOffController, 0}, 0);
    deliverMidi();
}

void Calyx2Clap::applyParameterEvent(const clap_event_header_t& event) {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_PARAM_VALUE ||
        event.size < sizeof(clap_event_param_value_t))
        return;
    const auto& change = reinterpret_cast<const clap_event_param_value_t&>(event);
    if (change.param_id >= static_cast<clap_id>(param::Count)) return;
    effect->setParameter(effect, static_cast<VstInt32>(change.param_id), static_cast<float>(change.value));
}

void Calyx2Clap::addMidi(const clap_event_header_t& event, VstInt32 deltaFrames) {
    MidiBytes bytes[kMostMessagesPerEvent];
    const int count = midiForEvent(event, bytes);
    for (int i = 0; i < count; ++i) addMidi(bytes[i], deltaFrames);
}

void Calyx2Clap::addMidi(const MidiBytes& bytes, VstInt32 deltaFrames) {
    if (midiList.numEvents >= kMostMidiPerPiece) return;
    VstMidiEvent& message = midi[midiList.numEvents++];
    message = VstMidiEvent{};
    message.type = kVstMidiType;
    message.byteSize = sizeof(VstMidiEvent);
    message.deltaFrames = deltaFrames;
    message.midiData[0] = static_cast<char>(bytes.status);
    message.midiData[1] = static_cast<char>(bytes.data1);
    message.midiData[2] = static_cast<char>(bytes.data2);
}

void Calyx2Clap::deliverMidi() {
    if (midiList.numEvents > 0) dispatch(effProcessEvents, 0, 0, &midiList);
    midiList.numEvents = 0;
}

// The VST 2.4 path hears a block's MIDI all at once, with frame offsets, and takes parameter changes
// between blocks. So a block is cut where a parameter event lies: the changes at frame t go in
// before anything from t on is rendered, and each piece gets its notes with offsets from its start.
// An event that claims an earlier time than the piece it falls in counts as at the piece's start,
// and one past the block as at its last frame.
int32_t Calyx2Clap::process(const clap_process_t& block) {
    if (!active || block.audio_outputs_count < 1 || !block.audio_outputs || block.audio_outputs[0].channel_count < 2 ||
        !block.audio_outputs[0].data32 || !block.audio_outputs[0].data32[0] || !block.audio_outputs[0].data32[1])
        return CLAP_PROCESS_ERROR;
    sendPanelEdits(block.out_events);
    timeInfoValid = block.transport && (block.transport->flags & CLAP_TRANSPORT_HAS_TEMPO);
    if (timeInfoValid) {
        timeInfo = VstTimeInfo{};
        timeInfo.tempo = block.transport->tempo;
        timeInfo.sampleRate = object->getSampleRate();
        timeInfo.flags = kVstTempoValid;
    }
    const uint32_t frames = std::min<uint32_t>(block.frames_count, INT32_MAX);
    const uint32_t lastFrame = frames > 0 ? frames - 1 : 0;
    const clap_input_events_t* in = block.in_events;
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    float* const left = block.audio_outputs[0].data32[0];
    float* const right = block.audio_outputs[0].data32[1];

    uint32_t pieceStart = 0;
    uint32_t next = 0;
    while (true) {
        // The piece ends at the first parameter change after its start; what lies at or after that
        // frame, whatever its place in the list, belongs to the pieces that follow.
        uint32_t pieceEnd = frames;
        for (uint32_t i = next; i < count; ++i) {
            const clap_event_header_t* event = in->get(in, i);
            if (event && isParameterChange(*event) && std::clamp(event->time, pieceStart, lastFrame) > pieceStart) {
                pieceEnd = std::clamp(event->time, pieceStart, lastFrame);
                break;
            }
        }
        for (; next < count; ++next) {
            const clap_event_header_t* event = in->get(in, next);
            if (!event) continue;
            const uint32_t time = std::clamp(event->time, pieceStart, lastFrame);
            if (time >= pieceEnd) break;
            if (isParameterChange(*event))
                applyParameterEvent(*event);
            else
                addMidi(*event, static_cast<VstInt32>(time - pieceStart));
        }
        deliverMidi();
        float* outputs[2] = {left + pieceStart, right + pieceStart};
        effect->processReplacing(effect, nullptr, outputs, static_cast<VstInt32>(pieceEnd - pieceStart));
        if (pieceEnd >= frames) break;
        pieceStart = pieceEnd;
    }
    block.audio_outputs[0].constant_mask = 0;
    return CLAP_PROCESS_CONTINUE;
}

void Calyx2Clap::sendPanelEdits(const clap_output_events_t* out) {
    PanelEdit edit;
    while (edits.pop(edit)) {
        if (!out || !out->try_push) continue;
        if (edit.type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value_t event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_IS_LIVE};
            event.param_id = edit.param;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = edit.value;
            out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture_t event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, CLAP_EVENT_IS_LIVE};
            event.param_id = edit.param;
            out->try_push(out, &event.header);
        }
    }
}

void Calyx2Clap::queueEdit(uint16_t type, int index, double value) {
    edits.push({type, static_cast<clap_id>(index), value});
}

// A panel edit is already live in the plug-in; the host hears of it at its next process or flush.
// A gesture opens with the first edit of a parameter and closes once the panel holds no control
// under the pointer any more (checked at every idle), so a drag is one gesture and a wheel step
// another.
void Calyx2Clap::panelEdited(int index, float value) {
    if (index < 0 || index >= param::Count) return;
    if (!gestureOpen[index]) {
        gestureOpen[index] = true;
        queueEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
    }
    queueEdit(CLAP_EVENT_PARAM_VALUE, index, value);
    // Without a host timer nothing would notice the release: each edit is then a gesture of its own.
    if (idleTimer == CLAP_INVALID_ID) {
        gestureOpen[index] = false;
        queueEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    }
    if (hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

void Calyx2Clap::endReleasedGestures(bool force) {
    auto* panel = object ? dynamic_cast<KZGuiWindow*>(object->getEditor()) : nullptr;
    if (!force && panel && panel->getCaptured()) return;
    bool ended = false;
    for (int index = 0; index < param::Count; ++index) {
        if (!gestureOpen[index]) continue;
        gestureOpen[index] = false;
        queueEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
        ended = true;
    }
    if (ended && hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

void Calyx2Clap::rescanValues() {
    if (hostParams && hostParams->rescan) hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
}

}  // namespace calyx2clap
