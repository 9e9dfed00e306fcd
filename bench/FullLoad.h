// The heaviest patch the engine can play: every operator on with feedback, LFO on pitch and
// levels, filter, chorus and delay on, 16 held notes plus one releasing.
#pragma once

#include "engine/SynthEngine.h"

constexpr float kBenchRate = 44100.0f;
constexpr int kBenchBlock = 512;

void setFullLoadPatch(float* params);
// Sends the 17 notes: 16 held, the 17th makes the oldest fade.
void startFullPolyphony(SynthEngine& engine);
