// Shared set-up for engine tests: an engine with a plain, predictable patch.
#pragma once

#include <vector>

#include "engine/SynthEngine.h"

constexpr float kTestRate = 44100.0f;

// Operator m alone as a sine at the note's pitch: full level, no velocity, instant attack,
// full sustain, shortest release; operators 1 to 4 off; no LFO, effects or filter.
void setPlainSine(SynthEngine& engine);

// Sends one MIDI message.
void midi(SynthEngine& engine, int status, int data1, int data2, int deltaFrames = 0);

// Renders `frames` host frames (2 x frames oversampled samples) and returns the mix.
std::vector<float> renderFrames(SynthEngine& engine, int frames);

// Frequency of a rendered oversampled signal at 2 x kTestRate, from its rising zero crossings.
double measureFrequency(const std::vector<float>& signal, double sampleRate);

float peakOf(const std::vector<float>& signal, size_t from = 0, size_t to = SIZE_MAX);
