// Plays an EventSchedule through a plug-in, block by block, the way a sequencer does: resume, process
// blocks, suspend. Each block is at most the block size and also ends where the tempo changes, so the
// plug-in is always told the exact tempo of every sample it renders; messages go with the block that
// holds their sample, at their offset inside it.
//
// After the music ends the renderer keeps going until the output has been quiet (every channel below
// kSilenceLevel) for kSilenceSeconds, or until the tail cap; what it hands on ends with the last loud
// frame (never before the end of the music). Every decision is made per sample, so the frames handed
// on do not depend on the block size.
//
// The plug-ins form a chain: the first gets the MIDI messages and the input audio, each later one the
// output of the one before (input channel c takes output channel c modulo their count, so mono feeds
// both sides of a stereo effect), and the last one's output is what the sink gets. With input audio
// the music lasts at least as long as the input.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/Instrument.h"
#include "tools/common/EventSchedule.h"

namespace tools {

constexpr float kSilenceLevel = 1.0f / 65536.0f;  // -96 dB
constexpr double kSilenceSeconds = 2.0;

// Fills frames of each of channelCount channels with the next input audio; returns how many frames it
// had (zero at the end of the input: the rest is silence).
using AudioSource = std::function<int32_t(float* const* channels, int channelCount, int32_t frames)>;

struct RenderSettings {
    double maxTailSeconds = 30.0;
    // Program changes select the first plug-in's program at their sample (blocks end there) instead of
    // going to it as MIDI messages. Numbers past its last program are counted and dropped.
    bool followProgramChanges = false;
    AudioSource input;
    int64_t inputFrames = 0;
};

struct RenderStatistics {
    int64_t framesOut = 0;       // frames handed to the sink
    int64_t framesRendered = 0;  // frames the plug-in produced, including the discarded quiet end
    int64_t blocks = 0;
    double processSeconds = 0.0;       // time spent inside the plug-in
    double longestBlockSeconds = 0.0;
    bool tailCapped = false;           // still sounding when the cap was reached
    float peak = 0.0f;
    bool nonFinite = false;            // the plug-in produced NaN or infinity
    int64_t programChanges = 0;        // followed
    int64_t programChangesOutOfRange = 0;
};

// Receives the output, channel by channel; returns false to stop the render (for example a full disk).
using AudioSink = std::function<bool(const float* const* channels, int channelCount, int32_t frames)>;
// Told the frames rendered so far and the expected total.
using ProgressCallback = std::function<void(int64_t done, int64_t total)>;

// The plug-ins must be open with the same sample rate and block size set. Returns false if the sink
// stopped the render or a plug-in refused a block.
bool renderSchedule(const std::vector<host::Instrument*>& chain, const EventSchedule& schedule,
                    const RenderSettings& settings, const AudioSink& sink, const ProgressCallback& progress,
                    RenderStatistics& statistics);
inline bool renderSchedule(host::Instrument& plugin, const EventSchedule& schedule, const RenderSettings& settings,
                           const AudioSink& sink, const ProgressCallback& progress, RenderStatistics& statistics) {
    return renderSchedule(std::vector<host::Instrument*>{&plugin}, schedule, settings, sink, progress, statistics);
}

}  // namespace tools
