#include "tools/common/Renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace tools {
namespace {

bool isLoud(float sample) { return !(std::fabs(sample) < kSilenceLevel); }  // NaN counts as loud

// Holds the quiet frames after the music until it is known whether more sound follows them.
class QuietTail {
public:
    explicit QuietTail(int channels) : frames_(static_cast<size_t>(channels)) {}
    int64_t length() const { return frames_.empty() ? 0 : static_cast<int64_t>(frames_[0].size()); }
    void append(const std::vector<const float*>& channels, int32_t begin, int32_t end) {
        for (size_t c = 0; c < frames_.size(); ++c) frames_[c].insert(frames_[c].end(), channels[c] + begin, channels[c] + end);
    }
    bool flush(const AudioSink& sink) {
        int64_t count = length();
        if (count == 0) return true;
        std::vector<const float*> pointers;
        for (auto& channel : frames_) pointers.push_back(channel.data());
        bool ok = !sink || sink(pointers.data(), static_cast<int>(pointers.size()), static_cast<int32_t>(count));
        for (auto& channel : frames_) channel.clear();
        return ok;
    }
    void clear() {
        for (auto& channel : frames_) channel.clear();
    }

private:
    std::vector<std::vector<float>> frames_;
};

bool isProgramChange(const ScheduledMessage& message) { return (message.bytes[0] & 0xF0) == 0xC0; }

// The sample of the first program change after position, or limit when there is none before it.
int64_t nextProgramChange(const EventSchedule& schedule, size_t from, int64_t position, int64_t limit) {
    for (size_t i = from; i < schedule.messages.size() && schedule.messages[i].sample < limit; ++i) {
        if (schedule.messages[i].sample > position && isProgramChange(schedule.messages[i])) {
            return schedule.messages[i].sample;
        }
    }
    return limit;
}

// Feeds each plug-in after the first with the output of the one before it.
void connect(const host::Instrument& from, host::Instrument& to, int32_t frames) {
    const int outputs = from.numOutputs();
    for (int c = 0; c < to.numInputs() && outputs > 0; ++c) {
        std::copy(from.output(c % outputs), from.output(c % outputs) + frames, to.input(c));
    }
}

// Reads the next input audio into the first plug-in's inputs, silence past its end. Returns the frames
// of input there were.
int32_t feedInput(const AudioSource& input, host::Instrument& first, std::vector<float*>& pointers, int32_t frames) {
    const int count = first.numInputs();
    if (!input || count == 0) return 0;
    pointers.resize(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c) pointers[c] = first.input(c);
    int32_t got = std::max<int32_t>(0, input(pointers.data(), count, frames));
    for (int c = 0; c < count; ++c) std::fill(pointers[c] + got, pointers[c] + frames, 0.0f);
    return got;
}

}  // namespace

bool renderSchedule(const std::vector<host::Instrument*>& chain, const EventSchedule& schedule,
                    const RenderSettings& settings, const AudioSink& sink, const ProgressCallback& progress,
                    RenderStatistics& statistics) {
    using Clock = std::chrono::steady_clock;
    statistics = RenderStatistics{};
    host::Instrument& plugin = *chain.front();
    host::Instrument& last = *chain.back();
    const double sampleRate = plugin.sampleRate();
    const int32_t blockSize = plugin.blockSize();
    const int channels = last.numOutputs();
    // A stream's length is known only once it ends: until then the music lasts as long as it says.
    int64_t musicEnd = std::max(schedule.endSample, settings.input ? settings.inputFrames : 0);
    const int64_t tailFrames = static_cast<int64_t>(std::llround(std::max(0.0, settings.maxTailSeconds) * sampleRate));
    int64_t tailCap = musicEnd + tailFrames;
    const int64_t silenceFrames = static_cast<int64_t>(std::llround(kSilenceSeconds * sampleRate));

    std::vector<host::MidiMessage> blockMessages;
    std::vector<float*> inputPointers;
    std::vector<const float*> outputs(static_cast<size_t>(channels));
    QuietTail quiet(channels);
    size_t nextMessage = 0;
    size_t nextTempo = 0;
    int64_t position = 0;
    bool ok = true;

    for (host::Instrument* stage : chain) stage->resume();
    while (ok) {
        if (position >= musicEnd && quiet.length() >= silenceFrames) break;
        if (position >= tailCap) {
            statistics.tailCapped = quiet.length() == 0;
            break;
        }
        while (nextTempo < schedule.tempi.size() && schedule.tempi[nextTempo].sample <= position) {
            for (host::Instrument* stage : chain) stage->setTempo(schedule.tempi[nextTempo].beatsPerMinute);
            ++nextTempo;
        }
        int64_t blockEnd = std::min<int64_t>(position + blockSize, tailCap);
        if (nextTempo < schedule.tempi.size()) blockEnd = std::min(blockEnd, schedule.tempi[nextTempo].sample);
        if (position < musicEnd) blockEnd = std::min(blockEnd, musicEnd);  // no block straddles the end
        if (settings.followProgramChanges) blockEnd = nextProgramChange(schedule, nextMessage, position, blockEnd);
        const int32_t frames = static_cast<int32_t>(blockEnd - position);

        blockMessages.clear();
        for (; nextMessage < schedule.messages.size() && schedule.messages[nextMessage].sample < blockEnd; ++nextMessage) {
            const ScheduledMessage& scheduled = schedule.messages[nextMessage];
            if (settings.followProgramChanges && isProgramChange(scheduled)) {
                // Blocks end at program changes, so this one falls on the block's first frame.
                if (scheduled.bytes[1] < plugin.numPrograms()) {
                    plugin.setProgram(scheduled.bytes[1]);
                    ++statistics.programChanges;
                } else {
                    ++statistics.programChangesOutOfRange;
                }
                continue;
            }
            host::MidiMessage message;
            message.deltaFrames = static_cast<int32_t>(std::max<int64_t>(0, scheduled.sample - position));
            std::copy(scheduled.bytes, scheduled.bytes + 3, message.bytes);
            blockMessages.push_back(message);
        }

        int32_t inputGot = feedInput(settings.input, plugin, inputPointers, frames);
        if (settings.input && inputGot < frames && position + inputGot < musicEnd) {
            musicEnd = std::max(schedule.endSample, position + inputGot);
            tailCap = musicEnd + tailFrames;
        }
        Clock::time_point start = Clock::now();
        for (size_t stage = 0; stage < chain.size() && ok; ++stage) {
            if (stage > 0) connect(*chain[stage - 1], *chain[stage], frames);
            ok = stage == 0 ? chain[stage]->process(blockMessages, frames) : chain[stage]->process(nullptr, 0, frames);
        }
        if (!ok) break;
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        statistics.processSeconds += seconds;
        statistics.longestBlockSeconds = std::max(statistics.longestBlockSeconds, seconds);
        ++statistics.blocks;

        int32_t lastLoud = -1;
        for (int c = 0; c < channels; ++c) {
            outputs[c] = last.output(c);
            for (int32_t i = 0; i < frames; ++i) {
                float sample = outputs[c][i];
                if (!std::isfinite(sample)) statistics.nonFinite = true;
                if (isLoud(sample)) lastLoud = std::max(lastLoud, i);
                statistics.peak = std::max(statistics.peak, std::fabs(sample));
            }
        }
        // Frames of the music always go out; after it, quiet frames wait until something loud follows.
        int32_t keep = position < musicEnd ? frames : lastLoud + 1;
        if (keep > 0) {
            statistics.framesOut += quiet.length() + keep;
            ok = quiet.flush(sink) && (!sink || sink(outputs.data(), channels, keep));
        }
        if (keep < frames) quiet.append(outputs, keep, frames);
        position = blockEnd;
        statistics.framesRendered = position;
        if (progress) progress(position, std::max(musicEnd + silenceFrames, position));
    }
    quiet.clear();
    for (host::Instrument* stage : chain) stage->suspend();
    return ok;
}

}  // namespace tools
