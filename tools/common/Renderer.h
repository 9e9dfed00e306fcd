// Plays an EventSchedule through a plug-in, block by block, the way a sequencer does: resume, process
// blocks, suspend. Each block is at most the block size and also ends where the tempo changes, so the
// plug-in is always told the exact tempo of every sample it renders; messages go with the block that
// holds their sample, at their offset inside it.
//
// After the music ends the renderer keeps going until the output has been quiet (every channel below
// kSilenceLevel) for kSilenceSeconds, or until the tail cap; what it hands on ends with the last loud
// frame (never before the end of the music). Every decision is made per sample, so the frames handed
// on do not depend on the block size.
#pragma once

#include <cstdint>
#include <functional>

#include "host/Instrument.h"
#include "tools/common/EventSchedule.h"

namespace tools {

constexpr float kSilenceLevel = 1.0f / 65536.0f;  // -96 dB
constexpr double kSilenceSeconds = 2.0;

struct RenderSettings {
    double maxTailSeconds = 30.0;
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
};

// Receives the output, channel by channel; returns false to stop the render (for example a full disk).
using AudioSink = std::function<bool(const float* const* channels, int channelCount, int32_t frames)>;
// Told the frames rendered so far and the expected total.
using ProgressCallback = std::function<void(int64_t done, int64_t total)>;

// The plug-in must be open with its sample rate and block size set. Returns false if the sink stopped
// the render or the plug-in refused a block.
bool renderSchedule(host::Instrument& plugin, const EventSchedule& schedule, const RenderSettings& settings,
                    const AudioSink& sink, const ProgressCallback& progress, RenderStatistics& statistics);

}  // namespace tools
