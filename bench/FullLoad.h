// The heaviest patch the engine can play: every operator on with feedback, LFO on pitch and
// levels, filter, chorus and delay on, 16 held notes plus one releasing.
#pragma once

#include "engine/SynthEngine.h"

constexpr float kBenchRate = 44100.0f;
constexpr int kBenchBlock = 512;

void setFullLoadPatch(float* params);
// Sends the 17 notes: 16 held, the 17th makes the oldest fade.
void startFullPolyphony(SynthEngine& engine);
// Call before every block: a fading voice goes silent after a few seconds, so every
// kRenewalBlocks blocks one more note takes it over and starts the oldest held note fading.
// 16 voices keep sounding and one keeps releasing however long the benchmark runs.
constexpr int kRenewalBlocks = 64;
void keepFullPolyphony(SynthEngine& engine, long block);
