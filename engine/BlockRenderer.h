// The audio call's output chain for one stretch of a host block: the engine at twice the host
// rate into a mono mix, the optional half-band filter, decimation into the left channel, a copy to
// the right, then chorus and delay in place when their levels are up.
#pragma once

#include "effects/Chorus.h"
#include "effects/TempoDelay.h"
#include "engine/HalfBandFilter.h"
#include "engine/SynthEngine.h"

struct OutputChain {
    SynthEngine& engine;
    HalfBandFilter& filter;
    Chorus& chorus;
    TempoDelay& delay;
};

// Samples in a sixteenth note at the host's tempo (beats per minute), or 1 without a tempo.
// Bounded to 1 .. kLongestSixteenth so that tempos of 0, below 0, NaN or absurdly low still give a
// delay the effect can play.
constexpr int kLongestSixteenth = 1 << 24;
int samplesPerSixteenthAt(const double* tempo, float sampleRate);

// Keeps the odd-indexed oversampled samples, doubled: the filter (when on) leaves half the level.
void decimate(const float* mix, float* left, int frames);

// Renders host frames [firstFrame, firstFrame + frames) of the current block into left and right.
// scratch and mix hold at least 2 x frames floats. The last stretch of a block empties the event
// queue.
void renderBlock(OutputChain& chain, float* scratch, float* mix, float* left, float* right, int firstFrame,
                 int frames, bool lastStretch, int samplesPerSixteenth);
