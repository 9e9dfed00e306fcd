// The sample loop of Voice::renderReference written once for any vector width. Included only by
// VoiceLanesSse2.cpp and VoiceLanesAvx2.cpp, each of which supplies a vector type V:
//   V::F, V::I            float and int32 vectors of V::kWidth lanes
//   load, store, splat, zero, add, mul, masked   float arithmetic, lane by lane
//   loadInt, storeInt, splatInt, addInt, andInt, shiftRight4   int32 arithmetic
//   truncate (cvttps2dq), tableIndex ((x >> 4) & 4095)
//   crossfadeEntries (sine and harmonic - sine per lane), sineEntries
// Everything here has internal linkage, so each file keeps its own copy.
//
// Order of work. Within a sample the reference runs operator 1, 2, 3, 4, then m, each reading the
// buses the earlier ones wrote. Here each operator runs through the whole chunk before the next
// one starts, with the buses kept per sample: the same sums in the same order, but the only chain
// from sample to sample is an operator's own feedback, and the chains of N vectors of voices
// interleave so the processor is not left waiting on one table read after another.
#pragma once

#include "engine/VoiceLanes.h"

namespace {
constexpr float kPhaseUnits = 32767.0f;
constexpr float kBusOutScale = 1.5259255e-05f;  // 0.5 / 32767
constexpr int32_t kPhaseMask = 0xFFFF;
constexpr int kOperatorM = 4;
constexpr int kEnvelopeM = 0;

template <class V, int N>
struct LaneKernel {
    using F = typename V::F;
    using I = typename V::I;

    static constexpr int laneOf(int vector) { return vector * V::kWidth; }

    // The LFO of every voice, the pitch factor it gives, and empty buses for every sample.
    static void lfoPass(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int count) {
        I lfoPhase[N];
        for (int v = 0; v < N; ++v) lfoPhase[v] = V::loadInt(&s.lfoPhase[laneOf(v)]);
        for (int i = 0; i < count; ++i) {
            for (int v = 0; v < N; ++v) {
                const int lane = laneOf(v);
                const F lfoValue = V::mul(V::sineEntries(crossfade, V::shiftRight4(lfoPhase[v])), V::load(&s.lfoDepth[lane]));
                lfoPhase[v] = V::andInt(V::addInt(lfoPhase[v], V::loadInt(&s.lfoIncrement[lane])), V::splatInt(kPhaseMask));
                V::store(&s.lfoValue[i][lane], lfoValue);
                if (p.pitchModulated) {
                    const F x = V::mul(V::splat(p.pitchDepth), lfoValue);
                    const F pm = V::add(V::mul(V::add(V::mul(x, V::splat(0.26f)), V::splat(0.74f)), x), V::splat(1.0f));
                    V::store(&s.pitchFactor[i][lane], pm);
                }
                for (int route = 0; route < LaneRouteCount; ++route) V::store(&s.bus[route][i][lane], V::zero());
            }
        }
        for (int v = 0; v < N; ++v) V::storeInt(&s.lfoPhase[laneOf(v)], lfoPhase[v]);
    }

    // The phase advance of one sample: the bent increment, scaled by the LFO's pitch factor.
    template <bool Pitch>
    static I advance(const VoiceLaneState& s, int op, int i, int lane, I phase) {
        if (Pitch)
            return V::addInt(phase, V::truncate(V::mul(V::load(&s.incrementAsFloat[op][lane]), V::load(&s.pitchFactor[i][lane]))));
        return V::addInt(phase, V::loadInt(&s.increment[op][lane]));
    }

    // An operator that is off: its phase still moves, nothing else does.
    template <bool Pitch>
    static void phasePass(VoiceLaneState& s, int op, int count) {
        I phase[N];
        for (int v = 0; v < N; ++v) phase[v] = V::loadInt(&s.phase[op][laneOf(v)]);
        for (int i = 0; i < count; ++i)
            for (int v = 0; v < N; ++v) phase[v] = advance<Pitch>(s, op, i, laneOf(v), phase[v]);
        for (int v = 0; v < N; ++v) V::storeInt(&s.phase[op][laneOf(v)], phase[v]);
    }

    // Operator op (0..3 for operators 1 to 4) through the chunk: reads the Next bus (and empties it,
    // except operator 4), adds its output to the bus it feeds.
    template <bool Pitch>
    static void operatorPass(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int op,
                             int count) {
        const F feedback = V::splat(p.feedback[op]);
        const F waveform = V::splat(p.waveform[op]);
        const F lfoAmount = V::splat(p.lfoAmount[op]);
        const bool emptiesNext = op < 3;
        const int route = p.uniformRoute[op];
        I phase[N];
        F lastOut[N];
        for (int v = 0; v < N; ++v) {
            phase[v] = V::loadInt(&s.phase[op][laneOf(v)]);
            lastOut[v] = V::load(&s.lastOut[op][laneOf(v)]);
        }
        for (int i = 0; i < count; ++i) {
            for (int v = 0; v < N; ++v) {
                const int lane = laneOf(v);
                phase[v] = advance<Pitch>(s, op, i, lane, phase[v]);
                float* next = &s.bus[LaneRouteNext][i][lane];
                const I modulation = V::truncate(V::add(V::mul(feedback, lastOut[v]), V::load(next)));
                if (emptiesNext) V::store(next, V::zero());
                F sine, slope;
                V::crossfadeEntries(crossfade, V::tableIndex(V::addInt(modulation, phase[v])), sine, slope);
                const F w = V::add(V::mul(slope, waveform), sine);
                const F amplitude = V::add(V::mul(lfoAmount, V::load(&s.lfoValue[i][lane])), V::load(&s.level[op][lane]));
                const F y = V::mul(V::mul(V::mul(amplitude, V::load(&s.envelopeLevels[op + 1][i][lane])), w),
                                   V::splat(kPhaseUnits));
                lastOut[v] = y;
                if (route >= 0) {
                    float* bus = &s.bus[route][i][lane];
                    V::store(bus, V::add(V::load(bus), y));
                } else {
                    // Adding +0 where the voice's operator feeds another bus changes nothing: a bus
                    // starts at +0 and a sum is never -0 under round-to-nearest.
                    for (int r = 0; r < LaneRouteCount; ++r) {
                        float* bus = &s.bus[r][i][lane];
                        V::store(bus, V::add(V::load(bus), V::masked(y, V::loadInt(&s.routeMask[op][r][lane]))));
                    }
                }
            }
        }
        for (int v = 0; v < N; ++v) {
            V::storeInt(&s.phase[op][laneOf(v)], phase[v]);
            V::store(&s.lastOut[op][laneOf(v)], lastOut[v]);
        }
    }

    // Operator m through the chunk: modulated by the M bus, joined by the Out bus, then shaped by
    // envelope m and its level into the voice's sample.
    template <bool Pitch>
    static void operatorMPass(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int count) {
        const F feedback = V::splat(p.feedback[kOperatorM]);
        const F waveform = V::splat(p.waveform[kOperatorM]);
        const F lfoAmount = V::splat(p.lfoAmount[kOperatorM]);
        I phase[N];
        F lastOut[N];
        for (int v = 0; v < N; ++v) {
            phase[v] = V::loadInt(&s.phase[kOperatorM][laneOf(v)]);
            lastOut[v] = V::load(&s.lastOut[kOperatorM][laneOf(v)]);
        }
        for (int i = 0; i < count; ++i) {
            for (int v = 0; v < N; ++v) {
                const int lane = laneOf(v);
                phase[v] = advance<Pitch>(s, kOperatorM, i, lane, phase[v]);
                const I modulation =
                    V::truncate(V::add(V::mul(feedback, lastOut[v]), V::load(&s.bus[LaneRouteM][i][lane])));
                F sine, slope;
                V::crossfadeEntries(crossfade, V::tableIndex(V::addInt(modulation, phase[v])), sine, slope);
                const F w = V::add(V::mul(slope, waveform), sine);
                const F level = V::load(&s.level[kOperatorM][lane]);
                const F y = V::mul(w, V::add(V::mul(lfoAmount, V::load(&s.lfoValue[i][lane])), level));
                lastOut[v] = V::mul(y, V::splat(kPhaseUnits));
                const F voiceSample = V::add(V::mul(V::load(&s.bus[LaneRouteOut][i][lane]), V::splat(kBusOutScale)), y);
                V::store(&s.output[i][lane],
                         V::mul(V::mul(voiceSample, V::load(&s.envelopeLevels[kEnvelopeM][i][lane])), level));
            }
        }
        for (int v = 0; v < N; ++v) {
            V::storeInt(&s.phase[kOperatorM][laneOf(v)], phase[v]);
            V::store(&s.lastOut[kOperatorM][laneOf(v)], lastOut[v]);
        }
    }

    template <bool Pitch>
    static void operators(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int count) {
        for (int op = 0; op < 4; ++op) {
            if (p.operatorOn[op])
                operatorPass<Pitch>(s, p, crossfade, op, count);
            else
                phasePass<Pitch>(s, op, count);
        }
        operatorMPass<Pitch>(s, p, crossfade, count);
    }

    static void render(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int count) {
        lfoPass(s, p, crossfade, count);
        if (p.pitchModulated)
            operators<true>(s, p, crossfade, count);
        else
            operators<false>(s, p, crossfade, count);
    }
};

// Picks the kernel whose vector count matches, so that each keeps its chains in registers.
template <class V, int N = kLaneCapacity / V::kWidth>
void renderLanes(VoiceLaneState& s, const LaneParameters& p, const float (*crossfade)[2], int count, int vectors) {
    if (vectors == N)
        LaneKernel<V, N>::render(s, p, crossfade, count);
    else if constexpr (N > 1)
        renderLanes<V, N - 1>(s, p, crossfade, count, vectors);
}
}  // namespace
