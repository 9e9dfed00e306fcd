// The sample loop of Voice::renderReference written once for any vector width. Included only by
// VoiceLanesSse2.cpp and VoiceLanesAvx2.cpp, each of which supplies a vector type V:
//   V::F, V::I            float and int32 vectors of V::kWidth lanes
//   load, store, splat, zero, add, sub, mul   float arithmetic, lane by lane
//   loadUnaligned, storeUnaligned, transpose (a square of kWidth vectors)
//   masked, select, both, either, allOf, noneOf, sameBits   lane masks (all ones or all zeros)
//   atLeast, atMost, above, equalTo           comparisons giving masks, false for NaN
//   loadInt, storeInt, splatInt, addInt, andInt, truncate (cvttps2dq), tableIndex ((x >> 4) & 4095)
//   tableEntries (one table entry per lane, read lane by lane), tableEntriesPartly (the same for the
//   first few lanes, zeros in the others)
// Everything here has internal linkage, so each file keeps its own copy.
//
// Order of work. Within a sample the reference runs operator 1, 2, 3, 4, then m, each reading the
// buses the earlier ones wrote: a chain of five table reads. Here the envelopes and the LFO of a
// whole chunk come first (they do not depend on the sound), and the buses are kept per sample, so
// operator 2 can work on sample i while operator 1 is already on sample i + 1: the same sums in the
// same order, but the only chain from sample to sample is an operator's own feedback, and the
// chains of five operators times N vectors of voices run side by side.
#pragma once

#include <xmmintrin.h>

#include "engine/VoiceLanes.h"

namespace {
constexpr float kPhaseUnits = 32767.0f;
constexpr float kBusOutScale = 1.5259255e-05f;  // 0.5 / 32767
constexpr uint32_t kPhaseMask = 0xFFFF;
constexpr int kOperatorM = 4;
constexpr int kEnvelopeM = 0;
// The per-lane-group bodies must melt into the sample loop so that their state stays in registers.
#define LANE_INLINE __attribute__((always_inline)) inline

// A single lane, for a voice left over after the whole vectors: the same operations on one float.
struct SingleLane {
    static constexpr int kWidth = 1;
    using F = float;
    using I = int32_t;

    static F load(const float* p) { return *p; }
    static void store(float* p, F v) { *p = v; }
    static F splat(float x) { return x; }
    static F zero() { return 0.0f; }
    static F add(F a, F b) { return a + b; }
    static F mul(F a, F b) { return a * b; }
    static F maskOf(I mask) {
        F bits;
        __builtin_memcpy(&bits, &mask, sizeof bits);
        return bits;
    }
    static F masked(F v, F mask) {
        uint32_t a, b;
        __builtin_memcpy(&a, &v, sizeof a);
        __builtin_memcpy(&b, &mask, sizeof b);
        a &= b;
        __builtin_memcpy(&v, &a, sizeof v);
        return v;
    }
    static I loadInt(const int32_t* p) { return *p; }
    static void storeInt(int32_t* p, I v) { *p = v; }
    static I addInt(I a, I b) { return static_cast<I>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
    static I truncate(F v) { return _mm_cvtt_ss2si(_mm_set_ss(v)); }  // INT32_MIN out of range, as cvttps2dq
    static I tableIndex(I phase) { return static_cast<I>((static_cast<uint32_t>(phase) >> 4) & 0xFFF); }
    static F tableEntries(const float* table, I index) { return table[index]; }
    static F tableEntriesPartly(const float* table, I index, int) { return table[index]; }
};

// One operator's settings for a step, read once for every group of lanes: stores into the lanes
// could otherwise alias the parameters and have them read again for each group.
struct OperatorSettings {
    float feedback;
    float lfoAmount;
    const float* waveform;
    int route;
    bool emptiesNext;

    OperatorSettings(const LaneParameters& p, int op)
        : feedback(p.feedback[op]),
          lfoAmount(p.lfoAmount[op]),
          waveform(p.waveform[op]),
          route(op < 4 ? p.uniformRoute[op] : LaneRouteOut),
          emptiesNext(op < 3) {}
};

// The operators' work on one group of lanes starting at `lane`: a vector of U::kWidth voices, or
// a single voice. `reads` is how many of its lanes hold voices and need table reads.
template <class U>
struct OperatorLanes {
    using F = typename U::F;
    using I = typename U::I;

    // The phase advance of one sample: the bent increment, scaled by the LFO's pitch factor.
    template <bool Pitch>
    LANE_INLINE static I advance(const VoiceLaneState& s, int op, int i, int lane, I phase) {
        if (Pitch) {
            const F scaled = U::mul(U::load(&s.incrementAsFloat[op][lane]), U::load(&s.pitchFactor[i][lane]));
            return U::addInt(phase, U::truncate(scaled));
        }
        return U::addInt(phase, U::loadInt(&s.increment[op][lane]));
    }

    // The operator's wave at its modulated phase.
    LANE_INLINE static F wave(const float* waveform, int reads, I phase) {
        const I index = U::tableIndex(phase);
        if (reads < U::kWidth) return U::tableEntriesPartly(waveform, index, reads);
        return U::tableEntries(waveform, index);
    }

    // Operator op (0..3 for operators 1 to 4) at sample i: reads the Next bus (and empties it,
    // except operator 4), adds its output to the bus it feeds.
    template <bool Pitch>
    LANE_INLINE static void operatorSample(VoiceLaneState& s, const OperatorSettings& k, int op, int i, int lane,
                                             int reads, I& phase, F& lastOut) {
        phase = advance<Pitch>(s, op, i, lane, phase);
        float* next = &s.bus[LaneRouteNext][i][lane];
        const I modulation = U::truncate(U::add(U::mul(U::splat(k.feedback), lastOut), U::load(next)));
        const F w = wave(k.waveform, reads, U::addInt(modulation, phase));
        const F amplitude = U::add(U::mul(U::splat(k.lfoAmount), U::load(&s.lfoValue[i][lane])), U::load(&s.level[op][lane]));
        const F y = U::mul(U::mul(U::mul(amplitude, U::load(&s.envelopeLevels[op + 1][i][lane])), w),
                           U::splat(kPhaseUnits));
        lastOut = y;
        const int route = k.route;
        const bool emptiesNext = k.emptiesNext;
        if (route == LaneRouteNext && emptiesNext) {
            // The Next bus is only ever read through a truncation, where -0 and +0 are the same
            // 0: storing y stands for emptying the bus and adding y to it.
            U::store(next, y);
        } else if (route >= 0) {
            if (emptiesNext) U::store(next, U::zero());
            float* bus = &s.bus[route][i][lane];
            U::store(bus, U::add(U::load(bus), y));
        } else {
            if (emptiesNext) U::store(next, U::zero());
            // Adding +0 where the voice's operator feeds another bus changes nothing: b + (+0) is b
            // for every b but -0, and a bus never is -0 (it starts at +0, and under
            // round-to-nearest a sum is -0 only when both terms are).
            for (int r = 0; r < LaneRouteCount; ++r) {
                float* bus = &s.bus[r][i][lane];
                U::store(bus, U::add(U::load(bus), U::masked(y, U::maskOf(U::loadInt(&s.routeMask[op][r][lane])))));
            }
        }
    }

    // Operator m at sample i: modulated by the M bus, joined by the Out bus, then shaped by
    // envelope m and its level into the voice's sample.
    template <bool Pitch>
    LANE_INLINE static void operatorMSample(VoiceLaneState& s, const OperatorSettings& k, int i, int lane, int reads,
                                              I& phase, F& lastOut) {
        phase = advance<Pitch>(s, kOperatorM, i, lane, phase);
        const I modulation =
            U::truncate(U::add(U::mul(U::splat(k.feedback), lastOut), U::load(&s.bus[LaneRouteM][i][lane])));
        const F w = wave(k.waveform, reads, U::addInt(modulation, phase));
        const F level = U::load(&s.level[kOperatorM][lane]);
        const F y = U::mul(w, U::add(U::mul(U::splat(k.lfoAmount), U::load(&s.lfoValue[i][lane])), level));
        lastOut = U::mul(y, U::splat(kPhaseUnits));
        const F voiceSample = U::add(U::mul(U::load(&s.bus[LaneRouteOut][i][lane]), U::splat(kBusOutScale)), y);
        U::store(&s.output[i][lane], U::mul(U::mul(voiceSample, U::load(&s.envelopeLevels[kEnvelopeM][i][lane])), level));
    }
};

// The operators of N vectors of V and R single lanes after them.
template <class V, int N, int R>
struct OperatorPipeline {
    using Vectors = OperatorLanes<V>;
    using Singles = OperatorLanes<SingleLane>;

    // What carries an operator from one sample to the next.
    struct Operator {
        typename V::I phase[N > 0 ? N : 1];
        typename V::F lastOut[N > 0 ? N : 1];
        int32_t singlePhase[R > 0 ? R : 1];
        float singleLastOut[R > 0 ? R : 1];
    };

    static constexpr int laneOf(int vector) { return vector * V::kWidth; }
    static constexpr int singleLane(int r) { return N * V::kWidth + r; }
    // Lanes of vector v that hold voices: the last vector may be part padding.
    static int readsOf(const LaneParameters& p, int v) {
        return R == 0 && v == N - 1 ? p.lanesInLastVector : V::kWidth;
    }

    template <bool Pitch>
    LANE_INLINE static void operatorStep(VoiceLaneState& s, const LaneParameters& p, int op, int i, Operator& o) {
        if (!p.operatorOn[op]) {  // an operator that is off: its phase still moves, nothing else does
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) o.phase[v] = Vectors::template advance<Pitch>(s, op, i, laneOf(v), o.phase[v]);
            for (int r = 0; r < R; ++r)
                o.singlePhase[r] = Singles::template advance<Pitch>(s, op, i, singleLane(r), o.singlePhase[r]);
            return;
        }
        const OperatorSettings k(p, op);
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v)
            Vectors::template operatorSample<Pitch>(s, k, op, i, laneOf(v), readsOf(p, v), o.phase[v], o.lastOut[v]);
        for (int r = 0; r < R; ++r)
            Singles::template operatorSample<Pitch>(s, k, op, i, singleLane(r), 1, o.singlePhase[r], o.singleLastOut[r]);
    }

    template <bool Pitch>
    LANE_INLINE static void operatorMStep(VoiceLaneState& s, const LaneParameters& p, int i, Operator& o) {
        const OperatorSettings k(p, kOperatorM);
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v)
            Vectors::template operatorMSample<Pitch>(s, k, i, laneOf(v), readsOf(p, v), o.phase[v], o.lastOut[v]);
        for (int r = 0; r < R; ++r)
            Singles::template operatorMSample<Pitch>(s, k, i, singleLane(r), 1, o.singlePhase[r], o.singleLastOut[r]);
    }

    // The five operators as a pipeline: at step t operator 1 works on sample t, operator 2 on
    // t - 1, ..., operator m on t - 4, each finding the buses of its sample complete. The five are
    // independent within a step, so their table reads overlap instead of waiting on each other.
    template <bool Pitch>
    static void operators(VoiceLaneState& s, const LaneParameters& p, int count) {
        Operator o[kLaneOperators];
        for (int op = 0; op < kLaneOperators; ++op) {
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                o[op].phase[v] = V::loadInt(&s.phase[op][laneOf(v)]);
                o[op].lastOut[v] = V::load(&s.lastOut[op][laneOf(v)]);
            }
            for (int r = 0; r < R; ++r) {
                o[op].singlePhase[r] = s.phase[op][singleLane(r)];
                o[op].singleLastOut[r] = s.lastOut[op][singleLane(r)];
            }
        }
        for (int t = 0; t < count + kOperatorM; ++t) {
#pragma GCC unroll 4
            for (int op = 0; op < 4; ++op) {
                const int i = t - op;
                if (i >= 0 && i < count) operatorStep<Pitch>(s, p, op, i, o[op]);
            }
            if (t >= kOperatorM) operatorMStep<Pitch>(s, p, t - kOperatorM, o[kOperatorM]);
        }
        for (int op = 0; op < kLaneOperators; ++op) {
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                V::storeInt(&s.phase[op][laneOf(v)], o[op].phase[v]);
                V::store(&s.lastOut[op][laneOf(v)], o[op].lastOut[v]);
            }
            for (int r = 0; r < R; ++r) {
                s.phase[op][singleLane(r)] = o[op].singlePhase[r];
                s.lastOut[op][singleLane(r)] = o[op].singleLastOut[r];
            }
        }
    }

    static void run(VoiceLaneState& s, const LaneParameters& p, int count) {
        if (p.pitchModulated)
            operators<true>(s, p, count);
        else
            operators<false>(s, p, count);
    }
};

template <class V, int N>
struct LaneKernel {
    using F = typename V::F;
    using I = typename V::I;

    static constexpr int laneOf(int vector) { return vector * V::kWidth; }

    // Envelope::next for one vector of lanes through the chunk, each level kept for the operators.
    static void envelopeVector(VoiceLaneState& s, int slot, int lane, int count) {
        float(*levels)[kLaneCapacity] = s.envelopeLevels[slot];
        const I state = V::loadInt(&s.envelopeState[slot][lane]);
        const F start = V::load(&s.envelopeLevel[slot][lane]);
        const F sustainLevel = V::load(&s.sustainLevel[slot][lane]);
        const F attacking = V::equalTo(state, kAttack);
        const F decaying = V::equalTo(state, kDecay);
        const F sustaining = V::equalTo(state, kSustain);
        const F releasing = V::either(V::equalTo(state, kRelease), V::equalTo(state, kStealRelease));
        const F holding = V::either(sustaining, V::equalTo(state, kIdle));
        const F held = V::masked(sustainLevel, sustaining);  // Sustain holds its level, Idle holds 0

        // Held and finished envelopes stay as they are: one level in every row, written only when
        // the rows do not hold it already.
        if (V::allOf(holding)) {
            const F filled = V::both(V::sameBits(held, V::load(&s.heldLevel[slot][lane])),
                                     V::maskOf(V::loadInt(&s.heldRowsFilled[slot][lane])));
            if (!V::allOf(filled)) {
                for (int i = 0; i < kLaneChunk; ++i) V::store(&levels[i][lane], held);
                V::store(&s.heldLevel[slot][lane], held);
                V::storeInt(&s.heldRowsFilled[slot][lane], V::splatInt(-1));
            }
            V::store(&s.envelopeLevel[slot][lane], held);
            return;
        }
        V::storeInt(&s.heldRowsFilled[slot][lane], V::splatInt(0));

        const F attackRate = V::load(&s.attackRate[slot][lane]);
        const F decayRate = V::load(&s.decayRate[slot][lane]);
        const F releaseRate = V::load(&s.releaseRate[slot][lane]);
        const F zero = V::zero(), one = V::splat(1.0f);

        // Most chunks reach no segment end. With positive rates every segment is monotonic, so the
        // straight ramp is exact if its last level has not reached the end; otherwise the chunk
        // is stepped again below, transitions and all.
        const F rampable = V::either(V::either(holding, V::both(attacking, V::above(attackRate, zero))),
                                     V::either(V::both(decaying, V::above(decayRate, zero)),
                                               V::both(releasing, V::above(releaseRate, zero))));
        if (V::allOf(rampable)) {
            // One subtraction per step: x - (-rate) is x + rate exactly, and x - (+0) is x, -0
            // included, so a held level stays as it is.
            const F fall = V::select(attacking, V::sub(zero, attackRate),
                                     V::select(holding, zero, V::select(decaying, decayRate, releaseRate)));
            F level = V::select(holding, held, start);
            for (int i = 0; i < count; ++i) {
                level = V::sub(level, fall);
                V::store(&levels[i][lane], level);
            }
            const F ended = V::either(V::both(attacking, V::atLeast(level, one)),
                                      V::either(V::both(decaying, V::atLeast(sustainLevel, level)),
                                                V::both(releasing, V::atMost(level, zero))));
            if (V::noneOf(ended)) {
                V::store(&s.envelopeLevel[slot][lane], level);
                return;
            }
        }

        I current = state;
        F level = start;
        for (int i = 0; i < count; ++i) {
            const F attack = V::equalTo(current, kAttack);
            const F decay = V::equalTo(current, kDecay);
            const F sustain = V::equalTo(current, kSustain);
            const F release = V::either(V::equalTo(current, kRelease), V::equalTo(current, kStealRelease));
            const F up = V::add(level, attackRate);
            const F down = V::sub(level, V::select(decay, decayRate, releaseRate));
            const F attackEnds = V::both(attack, V::atLeast(up, one));
            const F decayEnds = V::both(decay, V::atLeast(sustainLevel, down));
            const F releaseEnds = V::both(release, V::atMost(down, zero));
            level = V::select(attack, V::select(attackEnds, one, up),
                              V::select(decay, V::select(decayEnds, sustainLevel, down),
                                        V::select(sustain, sustainLevel,
                                                  V::select(release, V::select(releaseEnds, zero, down), zero))));
            current = V::selectInt(attackEnds, V::splatInt(kDecay), current);
            current = V::selectInt(decayEnds, V::splatInt(kSustain), current);
            current = V::selectInt(releaseEnds, V::splatInt(kIdle), current);
            V::store(&levels[i][lane], level);
        }
        V::storeInt(&s.envelopeState[slot][lane], current);
        V::store(&s.envelopeLevel[slot][lane], level);
    }

    // Envelope m always advances; an operator's envelope only while the operator is on.
    static void envelopePass(VoiceLaneState& s, const LaneParameters& p, int count) {
        for (int slot = 0; slot < kLaneOperators; ++slot) {
            if (slot != kEnvelopeM && !p.operatorOn[slot - 1]) continue;
            for (int v = 0; v < N; ++v) envelopeVector(s, slot, laneOf(v), count);
        }
    }

    // Table reads cost per lane, so the last vector reads only as many lanes as it has voices.
    static F entries(const LaneParameters& p, int v, const float* table, I index) {
        if (v == N - 1 && p.lanesInLastVector < V::kWidth) return V::tableEntriesPartly(table, index, p.lanesInLastVector);
        return V::tableEntries(table, index);
    }

    // The LFO of every voice, the pitch factor it gives, and empty buses for every sample.
    static void lfoPass(VoiceLaneState& s, const LaneParameters& p, const float* sine, int count) {
        I phase[N];
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v) phase[v] = V::loadInt(&s.lfoPhase[laneOf(v)]);
        for (int i = 0; i < count; ++i) {
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                const int lane = laneOf(v);
                const F lfoValue = V::mul(entries(p, v, sine, V::tableIndex(phase[v])), V::load(&s.lfoDepth[lane]));
                phase[v] = V::andInt(V::addInt(phase[v], V::loadInt(&s.lfoIncrement[lane])), V::splatInt(kPhaseMask));
                V::store(&s.lfoValue[i][lane], lfoValue);
                if (p.pitchModulated) {
                    const F x = V::mul(V::splat(p.pitchDepth), lfoValue);
                    const F pm = V::add(V::mul(V::add(V::mul(x, V::splat(0.26f)), V::splat(0.74f)), x), V::splat(1.0f));
                    V::store(&s.pitchFactor[i][lane], pm);
                }
                for (int route = 0; route < LaneRouteCount; ++route) V::store(&s.bus[route][i][lane], V::zero());
            }
        }
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v) V::storeInt(&s.lfoPhase[laneOf(v)], phase[v]);
    }

    // Adds the lanes into out voice after voice, as the voices would one by one: W samples at a
    // time, each vector of lanes turned so that a register holds one voice's W samples.
    static void mix(const VoiceLaneState& s, const LaneParameters& p, float* out, int count) {
        int i = 0;
        for (; i + V::kWidth <= count; i += V::kWidth) {
            F sum = V::loadUnaligned(out + i);
            for (int v = 0; v < N; ++v) {
                F rows[V::kWidth];
                for (int k = 0; k < V::kWidth; ++k) rows[k] = V::load(&s.output[i + k][laneOf(v)]);
                V::transpose(rows);
                const int lanes = p.lanes - laneOf(v) < V::kWidth ? p.lanes - laneOf(v) : V::kWidth;
                for (int k = 0; k < lanes; ++k) sum = V::add(sum, rows[k]);
            }
            V::storeUnaligned(out + i, sum);
        }
        for (; i < count; ++i) {
            float sum = out[i];
            for (int lane = 0; lane < p.lanes; ++lane) sum += s.output[i][lane];
            out[i] = sum;
        }
    }

    static void render(VoiceLaneState& s, const LaneParameters& p, const float* sine, float* out, int count) {
        envelopePass(s, p, count);
        lfoPass(s, p, sine, count);
        // A last vector holding one voice would do a whole vector's arithmetic for it: that voice
        // goes through the operators as a single lane instead.
        if (p.lanesInLastVector == 1)
            OperatorPipeline<V, N - 1, 1>::run(s, p, count);
        else
            OperatorPipeline<V, N, 0>::run(s, p, count);
        mix(s, p, out, count);
    }
};

// Picks the kernel whose vector count matches, so that each keeps its chains in registers.
template <class V, int N = kLaneCapacity / V::kWidth>
void renderLanes(VoiceLaneState& s, const LaneParameters& p, const float* sine, float* out, int count,
                 int vectors) {
    if (vectors == N)
        LaneKernel<V, N>::render(s, p, sine, out, count);
    else if constexpr (N > 1)
        renderLanes<V, N - 1>(s, p, sine, out, count, vectors);
}
}  // namespace
