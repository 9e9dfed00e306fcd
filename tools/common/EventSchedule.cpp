#include "tools/common/EventSchedule.h"

#include <algorithm>
#include <cmath>

namespace tools {
namespace {

struct MergedEvent {
    const MidiEvent* event;
    size_t order;  // position in the concatenation of all tracks, which breaks ties at the same tick
};

constexpr double kSmpteDropFrameRate = 29.97;

}  // namespace

double EventSchedule::tempoAt(int64_t sample) const {
    double tempo = tempi.empty() ? 120.0 : tempi.front().beatsPerMinute;
    for (const TempoChange& change : tempi) {
        if (change.sample > sample) break;
        tempo = change.beatsPerMinute;
    }
    return tempo;
}

EventSchedule scheduleMidiFile(const MidiFile& file, double sampleRate, double initialBeatsPerMinute) {
    std::vector<MergedEvent> merged;
    for (const auto& track : file.tracks) {
        for (const MidiEvent& event : track) merged.push_back({&event, merged.size()});
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const MergedEvent& a, const MergedEvent& b) { return a.event->tick < b.event->tick; });

    EventSchedule schedule;
    schedule.tempi.push_back({0, initialBeatsPerMinute});

    // Time at the start of the current tempo segment, and the segment's microseconds per quarter note.
    double segmentSeconds = 0.0;
    uint64_t segmentTick = 0;
    double microsecondsPerQuarter = 60e6 / initialBeatsPerMinute;
    auto secondsAt = [&](uint64_t tick) {
        if (file.framesPerSecond > 0) {
            double frames = file.framesPerSecond == 29 ? kSmpteDropFrameRate : file.framesPerSecond;
            return static_cast<double>(tick) / (frames * file.ticksPerFrame);
        }
        return segmentSeconds +
               static_cast<double>(tick - segmentTick) * microsecondsPerQuarter / (file.ticksPerQuarter * 1e6);
    };
    auto sampleAt = [&](uint64_t tick) { return static_cast<int64_t>(std::llround(secondsAt(tick) * sampleRate)); };

    int held[16][128] = {};
    for (const MergedEvent& entry : merged) {
        const MidiEvent& event = *entry.event;
        int64_t sample = sampleAt(event.tick);
        schedule.endSample = std::max(schedule.endSample, sample);
        if (event.kind == MidiEvent::Kind::Tempo) {
            segmentSeconds = secondsAt(event.tick);
            segmentTick = event.tick;
            microsecondsPerQuarter = event.microsecondsPerQuarter;
            double beatsPerMinute = 60e6 / event.microsecondsPerQuarter;
            if (schedule.tempi.back().sample == sample) {
                schedule.tempi.back().beatsPerMinute = beatsPerMinute;
            } else {
                schedule.tempi.push_back({sample, beatsPerMinute});
            }
            continue;
        }
        if (event.kind != MidiEvent::Kind::Channel) continue;
        ScheduledMessage message{sample, {event.bytes[0], event.bytes[1], event.size > 2 ? event.bytes[2] : uint8_t(0)}};
        schedule.messages.push_back(message);
        uint8_t kind = event.bytes[0] & 0xF0;
        int channel = event.bytes[0] & 0x0F;
        int key = event.bytes[1] & 0x7F;
        if (kind == 0x90 && event.bytes[2] > 0) {
            ++held[channel][key];
        } else if ((kind == 0x80 || kind == 0x90) && held[channel][key] > 0) {
            --held[channel][key];
        }
    }
    for (int channel = 0; channel < 16; ++channel) {
        for (int key = 0; key < 128; ++key) {
            for (int i = 0; i < held[channel][key]; ++i) {
                schedule.messages.push_back({schedule.endSample, {uint8_t(0x80 | channel), uint8_t(key), 0}});
            }
        }
    }
    return schedule;
}

}  // namespace tools
