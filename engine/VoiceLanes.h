// The voices of a segment rendered side by side, one voice per lane of a vector register.
//
// Voices never read each other, so the sample loop of Voice::renderReference can run for 4 (SSE2)
// or 8 (AVX2) voices at once with the same float operations in the same order in every lane; only
// the table reads are done lane by lane. Each operator's feedback still runs sample after sample.
// The result is the reference bit for bit: no FMA, no reassociation, truncation by cvttps2dq like
// truncToInt, and the voices are added into the output one after the other in voice order.
//
// Layout: structure of arrays, one entry per lane. Lanes hold the active voices in ascending
// voice order; lanes past the last voice are padding that computes silence and is never read.
// Operator slots follow Voice::phase (1, 2, 3, 4, m); envelope slots follow Voice::env (m, 1..4).
//
// The sample loops are compiled once per instruction set; their files include nothing but this
// header, the numeric contract, the VoiceLanes*.h files of the loop and the intrinsics, so that no
// inline function shared with the rest of the program is ever compiled for AVX2 (the linker could
// keep that copy for everyone).
#pragma once

#include <cstdint>

#include "engine/NumericContract.h"

constexpr int kLaneOperators = kOperatorCount;  // 1, 2, 3, 4, m
constexpr int kLaneCapacity = 24;               // 17 voices rounded up to whole 8-lane vectors
constexpr int kLaneChunk = 64;                  // samples per pass: envelopes are computed a chunk ahead

// A voice alone in the last vector of 8 runs its five operators side by side in one vector instead
// (VoiceLanesDiagonal.h): operator m in lane 0, operators 4, 3, 2, 1 in lanes 1 to 4,
// lane j working on the sample kDiagonalLead - j steps behind operator 1.
constexpr int kDiagonalLead = 4;
constexpr int kDiagonalWidth = 8;
constexpr int kDiagonalSteps = kLaneChunk + kDiagonalLead;
constexpr int kDiagonalRow = kDiagonalSteps + kDiagonalWidth;  // entry t + j: lane j at step t
constexpr int diagonalOperator(int lane) { return lane == 0 ? kLaneOperators - 1 : kLaneOperators - 1 - lane; }

enum LaneRoute : int { LaneRouteNext, LaneRouteM, LaneRouteOut, LaneRouteCount };
// Envelope states, numbered as EnvelopeState numbers them.
constexpr int32_t kIdle = 0, kAttack = 1, kDecay = 2, kSustain = 3, kRelease = 4, kStealRelease = 5;

struct alignas(32) VoiceLaneState {
    // Oscillators. Phases are kept in int32 and wrap modulo 2^32; only their low 16 bits matter.
    int32_t phase[kLaneOperators][kLaneCapacity];
    int32_t increment[kLaneOperators][kLaneCapacity];  // phaseInc * bendRatio, truncated
    float incrementAsFloat[kLaneOperators][kLaneCapacity];
    float lastOut[kLaneOperators][kLaneCapacity];
    float level[kLaneOperators][kLaneCapacity];
    int32_t lfoPhase[kLaneCapacity];
    int32_t lfoIncrement[kLaneCapacity];
    float lfoDepth[kLaneCapacity];
    // All ones in the lanes whose operator feeds that bus, zero elsewhere.
    int32_t routeMask[4][LaneRouteCount][kLaneCapacity];

    // Envelopes. A held envelope (Sustain or Idle) keeps the same level in all kLaneChunk rows of
    // envelopeLevels; heldLevel and heldRowsFilled (all ones) say which lanes' rows already hold it.
    float heldLevel[kLaneOperators][kLaneCapacity];
    int32_t heldRowsFilled[kLaneOperators][kLaneCapacity];
    int32_t envelopeState[kLaneOperators][kLaneCapacity];
    float envelopeLevel[kLaneOperators][kLaneCapacity];
    float attackRate[kLaneOperators][kLaneCapacity];
    float decayRate[kLaneOperators][kLaneCapacity];
    float sustainLevel[kLaneOperators][kLaneCapacity];
    float releaseRate[kLaneOperators][kLaneCapacity];

    // One chunk, sample by sample: each envelope's level, the LFO and the pitch factor it gives,
    // the three buses the operators feed, and each lane's finished sample, ready to be added into
    // the mix in voice order.
    float envelopeLevels[kLaneOperators][kLaneChunk][kLaneCapacity];
    float lfoValue[kLaneChunk][kLaneCapacity];
    float pitchFactor[kLaneChunk][kLaneCapacity];
    float bus[LaneRouteCount][kLaneChunk][kLaneCapacity];
    float output[kLaneChunk][kLaneCapacity];
};

// The voice a render call runs along the diagonal, one entry per diagonal lane (lanes past 4 are
// silent padding), kept in this form from loading to storing.
struct alignas(32) DiagonalLaneState {
    int32_t phase[kDiagonalWidth];
    float lastOut[kDiagonalWidth];
    int32_t increment[kDiagonalWidth];
    float incrementAsFloat[kDiagonalWidth];
    float level[kDiagonalWidth];
    float feedback[kDiagonalWidth];
    float lfoAmount[kDiagonalWidth];
    int32_t tableStart[kDiagonalWidth];  // the operator's wave in LaneParameters::waveformBase
    int32_t on[kDiagonalWidth];          // all ones for operator m and the operators that are on
    int32_t laneM[kDiagonalWidth];       // all ones in lane 0
    int32_t route[LaneRouteCount][kDiagonalWidth];  // all ones where an operator that is on feeds that bus

    int32_t envelopeState[kDiagonalWidth];
    float envelopeLevel[kDiagonalWidth];
    float attackRate[kDiagonalWidth];
    float decayRate[kDiagonalWidth];
    float sustainLevel[kDiagonalWidth];
    float releaseRate[kDiagonalWidth];

    // One chunk along the diagonal. Per-sample rows hold sample i at entry i + kDiagonalLead, so
    // that one unaligned load at step t gives every lane its own sample; envelope rows hold each
    // lane's level at the sample it works on. Entries outside the chunk keep whatever they held
    // (zero at first): the lanes that read them are not live, and their results are dropped.
    float pitchFactor[kDiagonalRow];
    float lfoValue[kDiagonalRow];
    int32_t live[kDiagonalRow];  // all ones for the samples of the chunk
    int liveCount;               // the chunk length `live` was laid out for
    alignas(32) float envelope[kDiagonalSteps][kDiagonalWidth];
    float output[kLaneChunk];  // the voice's finished samples
};

// The parameters of one render call, read once for all voices.
struct LaneParameters {
    bool operatorOn[4];
    int uniformRoute[4];  // the bus every voice's operator feeds, or -1 if the voices differ
    bool pitchModulated;
    float pitchDepth;
    int lanes;              // voices in lanes; the lanes after them up to a whole vector are padding
    int lanesInLastVector;  // voices in the last vector
    bool diagonal;          // the voice alone in the last vector runs along the diagonal
    float feedback[kLaneOperators];
    float lfoAmount[kLaneOperators];
    // Each operator's wave at its WAV setting: entry i is (harmonic[i] - sine[i]) * WAV + sine[i],
    // the reference's per-sample crossfade done once per setting for the whole table.
    const float* waveform[kLaneOperators];
    // The same tables as offsets from one base, for reads that serve several operators at once.
    const float* waveformBase;
    int32_t waveformStart[kLaneOperators];
};

// Envelopes, LFO and operators for count (at most kLaneChunk) samples of the first `vectors`
// vectors of lanes, then every voice's samples added into out, voice after voice. sine is
// WaveTables::sine, for the LFO.
void renderLanesSse2(VoiceLaneState& lanes, DiagonalLaneState& diagonal, const LaneParameters& parameters,
                     const float* sine, float* out, int count, int vectors);
void renderLanesAvx2(VoiceLaneState& lanes, DiagonalLaneState& diagonal, const LaneParameters& parameters,
                     const float* sine, float* out, int count, int vectors);
