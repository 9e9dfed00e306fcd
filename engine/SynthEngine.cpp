#include "engine/SynthEngine.h"

#include <algorithm>
#include <iterator>

namespace {
constexpr float kInverse127 = 0.007874016f;
constexpr float kInverse16384 = 6.1035156e-05f;  // 2^-14
constexpr float kInitialParameterValue = 0.1f;

enum MidiStatus : uint8_t { NoteOffStatus = 0x80, NoteOnStatus = 0x90, ControlChange = 0xB0, PitchBendStatus = 0xE0 };
enum MidiController : uint8_t { ModulationWheel = 1, AllSoundOff = 123, PolyModeOn = 126 };
}  // namespace

SynthEngine::SynthEngine() : tables(new WaveTables) {
    std::fill(std::begin(params), std::end(params), kInitialParameterValue);
    for (int i = 0; i < kVoiceCount; ++i) {
        voices[i].reset(new Voice(params, tables.get()));
        voicePointers[i] = voices[i].get();
        voiceOrder[i] = i;
    }
}

void SynthEngine::processMidi(uint8_t status, uint8_t data1, uint8_t data2, int32_t deltaFrames) {
    switch (status & 0xF0) {
        case NoteOnStatus:
            if ((data2 & 0x7F) != 0)
                noteOn((data1 & 0x7F) - kNoteShift, (data2 & 0x7F) * kInverse127, deltaFrames);
            else
                noteOff((data1 & 0x7F) - kNoteShift, deltaFrames);
            break;
        case NoteOffStatus: noteOff((data1 & 0x7F) - kNoteShift, deltaFrames); break;
        case ControlChange:
            if (data1 == ModulationWheel)
                queue({ModWheel, 0, data2 * kInverse127, deltaFrames, 0});
            else if (data1 == AllSoundOff || data1 == PolyModeOn)
                silenceAll();
            break;
        case PitchBendStatus: {
            const int bend = (data2 << 7) | data1;
            queue({PitchBend, 0, bend * kInverse16384 * 2.0f - 1.0f, deltaFrames, 0});
            break;
        }
        default: break;
    }
}

bool SynthEngine::queue(const EngineEvent& event) {
    if (eventCount >= kMaxEvents) return false;
    events[eventCount++] = event;
    return true;
}

void SynthEngine::silenceAll() {
    for (auto& v : voices) v->active = false;
}

int SynthEngine::chooseNextReservedVoice() const {
    for (int c : voiceOrder)
        if (c != reservedVoice && !voices[c]->active && !voices[c]->startPending) return c;
    for (int c : voiceOrder)
        if (c != reservedVoice && voices[c]->released) return c;
    return voiceOrder[0];
}

void SynthEngine::moveToBack(int voiceIndex) {
    int* position = std::find(voiceOrder, voiceOrder + kVoiceCount, voiceIndex);
    std::rotate(position, position + 1, voiceOrder + kVoiceCount);
}

void SynthEngine::noteOn(int note, float velocity, int32_t frameOffset) {
    if (eventCount >= kMaxEvents) return;  // a full queue drops the note without touching any voice
    const int candidate = chooseNextReservedVoice();
    queue({NoteStart, note, velocity, frameOffset, reservedVoice});
    voices[reservedVoice]->startPending = true;
    reservedVoice = candidate;
    voices[candidate]->stealRelease();
    moveToBack(candidate);
}

void SynthEngine::noteOff(int note, int32_t frameOffset) {
    for (int i = 0; i < kVoiceCount; ++i) {
        const Voice& v = *voices[i];
        if (v.active && !v.released && v.note == note) queue({NoteRelease, 0, 0.0f, frameOffset, i});
    }
    // Notes whose start is still waiting in the queue are released too; the count may grow while
    // this runs, and the records it appends are releases, which the test skips.
    for (int j = 0; j < eventCount; ++j)
        if (events[j].type == NoteStart && events[j].note == note)
            queue({NoteRelease, 0, 0.0f, frameOffset, events[j].voice});
}

void SynthEngine::renderVoices(float* scratch, float* out, int count) {
    if (count < 1) return;
    if (voicePath == VoicePath::Lanes)
        lanes.render(voicePointers, kVoiceCount, params, *tables, scratch, out, count);
    else
        for (auto& v : voices) v->renderReference(scratch, out, count);
}

void SynthEngine::execute(const EngineEvent& event) {
    const bool hasVoice = event.voice >= 0 && event.voice < kVoiceCount;
    switch (event.type) {
        case NoteStart:
            if (hasVoice) voices[event.voice]->startNote(event.note, event.value);
            break;
        case NoteRelease:
            if (hasVoice) voices[event.voice]->release();
            break;
        case PitchBend: {
            const float ratio = bendRatioFor(params[param::PBR], event.value);
            for (auto& v : voices) v->bendRatio = ratio;
            break;
        }
        case ModWheel:
            for (auto& v : voices) v->modWheel = event.value;
            break;
        default: break;
    }
}

void SynthEngine::renderSlice(float* scratch, float* out, int firstFrame, int frames, bool lastSlice) {
    if (frames < 0) frames = 0;
    const int sliceEnd = firstFrame + frames;
    const int count = 2 * frames;
    if (eventCount > kMaxEvents) eventCount = kMaxEvents;
    int position = 0;
    while (nextEvent < eventCount) {
        const EngineEvent& event = events[nextEvent];
        if (!lastSlice && event.frameOffset > sliceEnd) break;  // belongs to a later slice
        const int frame = std::min(std::max(event.frameOffset, firstFrame), sliceEnd) - firstFrame;
        const int at = std::max(2 * frame, position);
        renderVoices(scratch, out + position, at - position);
        execute(event);
        position = at;
        ++nextEvent;
    }
    renderVoices(scratch, out + position, count - position);
    if (lastSlice) {
        eventCount = 0;
        nextEvent = 0;
    }
}

void SynthEngine::setParameter(int index, float value) {
    if (index < 0 || index >= param::Count) return;
    params[index] = value;
    applyToVoices(index);
}

void SynthEngine::applyToVoices(int index) {
    for (auto& v : voices) v->applyParameter(index);
}

void SynthEngine::setSampleRate(float rate) {
    for (auto& v : voices) {
        v->sampleRate = rate;
        v->applyParameter(param::RecomputeAll);
    }
}
