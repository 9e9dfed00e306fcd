// The voice's numeric contract: the constants and the small per-block formulas that the reference
// voice (Voice.cpp) and the vector lanes (LaneRenderer.cpp, VoiceLanes*.h) must share bit for bit,
// written once so that a change is made in one place.
//
// - The voice runs at twice the host rate. Phases are uint16 accumulators, 65536 = one cycle;
//   tables are read with the top 12 bits (phase >> 4) and no interpolation.
// - Operator outputs that modulate other operators are in phase units: 32767 shifts the target's
//   phase by half a cycle. Self-feedback uses the previous sample's output.
// - Operators 1..4 each feed one bus: the next operator's phase (Next), operator m's phase (M) or
//   the voice output (Out). Operator m always sounds; its envelope and level shape the whole voice.
// - Everything is float32; every float-to-int conversion truncates toward zero.
//
// The files compiled for AVX2 include this header, so it holds nothing with external linkage: a
// shared inline function compiled there could be the copy the linker keeps for everyone.
#pragma once

#include <cstdint>

constexpr int kOperatorCount = 5;  // 1, 2, 3, 4, m: phases, increments and outputs in this order
constexpr int kOperatorM = 4;      // operator m's slot among them
constexpr int kEnvelopeM = 0;      // envelopes are stored m, 1, 2, 3, 4

constexpr float kOperatorOnThreshold = 0.001f;  // an operator with LVL at or below this is skipped
constexpr float kLfoPitchThreshold = 0.001f;    // LFO_PCH at or below this leaves the pitch alone
constexpr float kLfoFullDepth = 0.45f;          // octaves of pitch, and amplitude units
constexpr float kPhaseUnits = 32767.0f;         // operator output that shifts half a cycle
constexpr float kBusOutScale = 1.5259255e-05f;  // 0.5 / 32767: the Out bus into the voice's sample
constexpr uint32_t kPhaseMask = 0xFFFF;         // one cycle of a phase
constexpr int kPhaseToIndexShift = 4;           // table index = top 12 bits of the phase
constexpr uint32_t kTableIndexMask = 0xFFF;

namespace {
// An operator's level after velocity: sensitivity 0 ignores velocity, 1 scales the level by
// velocityGain (velocity squared).
inline float levelWithVelocity(float level, float velocityGain, float sensitivity) {
    return level + (velocityGain * level - level) * sensitivity;
}

// How far the LFO reaches: full depth with the wheel up, and less as the wheel comes down by as much
// as LFO_MOD asks.
inline float lfoDepthFor(float modWheel, float wheelAmount) {
    return ((modWheel - 1.0f) * wheelAmount + 1.0f) * kLfoFullDepth;
}

// The factor on every phase increment for an LFO swing x (LFO_PCH times the LFO's value): a
// quadratic standing in for 2^x. Written once for a float and for the vectors of floats the lanes
// use, whose operators act lane by lane with the same roundings.
template <class Float>
inline Float pitchFactor(Float x) {
    return (x * 0.26f + 0.74f) * x + 1.0f;
}
}  // namespace
