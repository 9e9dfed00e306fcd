// The sample loop of Voice::renderReference written once for any vector width. Included only by
// VoiceLanesSse2.cpp and VoiceLanesAvx2.cpp, each of which supplies a vector type V:
//   V::F, V::I            float and int32 vectors of V::kWidth lanes
//   load, store, splat, zero, add, sub, mul   float arithmetic, lane by lane
//   loadUnaligned, storeUnaligned, transpose (a square of kWidth vectors)
//   masked, select, both, either, allOf, noneOf, sameBits   lane masks (all ones or all zeros)
//   atLeast, atMost, above, equalTo           comparisons giving masks, false for NaN
//   loadInt, storeInt, splatInt, addInt, andInt, truncate (cvttps2dq), tableIndex ((x >> 4) & 4095)
//   and the float operators * and + lane by lane, for the contract's formulas
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

#include <type_traits>

#include "engine/VoiceLanes.h"

namespace {
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
    static I tableIndex(I phase) {
        return static_cast<I>((static_cast<uint32_t>(phase) >> kPhaseToIndexShift) & kTableIndexMask);
    }
    static F tableEntries(const float* table, I index) { return table[index]; }
    static F tableEntriesPartly(const float* table, I index, int) { return table[index]; }
};

// The first operator (0..3 for operators 1 to 4) that is on and may feed bus r, or 4 if none is.
int firstFeeder(const LaneParameters& p, int r) {
    for (int op = 0; op < 4; ++op)
        if (p.operatorOn[op] && (p.uniformRoute[op] < 0 || p.uniformRoute[op] == r)) return op;
    return 4;
}

// Every sample starts with empty buses. Rather than emptying the rows of a chunk beforehand, the
// operator that comes first to a bus writes its row without reading it; only where that operator's
// lanes feed different buses, or no operator feeds M or Out, are those rows emptied first. The
// Next row needs no emptying: operator 1 writes it whether it feeds it or not (and finds it empty,
// so it does not read it), or empties it when it is off.
bool rowsNeedEmptying(const LaneParameters& p, int r) {
    const int first = firstFeeder(p, r);
    return first == 4 || p.uniformRoute[first] < 0;
}

// One operator's settings, read once per render call with the factors already in every lane: the
// sample loop stores into the lanes, which could otherwise alias the parameters and have them
// read (and spread across the lanes) again at every step.
template <class U>
struct OperatorSettings {
    typename U::F feedback;
    typename U::F lfoAmount;
    const float* waveform;
    int route;
    bool firstInto;  // the first to feed its bus (M or Out), fed alike by every lane
    bool on;

    OperatorSettings() = default;
    OperatorSettings(const LaneParameters& p, int op)
        : feedback(U::splat(p.feedback[op])),
          lfoAmount(U::splat(p.lfoAmount[op])),
          waveform(p.waveform[op]),
          route(op < 4 ? p.uniformRoute[op] : LaneRouteOut),
          firstInto(op < 4 && route > LaneRouteNext && firstFeeder(p, route) == op),
          on(op == kOperatorM || p.operatorOn[op]) {}
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
    LANE_INLINE static void operatorSample(VoiceLaneState& s, const OperatorSettings<U>& k, int op, int i, int lane,
                                             int reads, I& phase, F& lastOut) {
        phase = advance<Pitch>(s, op, i, lane, phase);
        float* next = &s.bus[LaneRouteNext][i][lane];
        // Operator 1 always finds the Next bus empty, and truncating x + 0 gives what truncating x gives.
        const F feedback = U::mul(k.feedback, lastOut);
        const I modulation = U::truncate(op == 0 ? feedback : U::add(feedback, U::load(next)));
        const F w = wave(k.waveform, reads, U::addInt(modulation, phase));
        const F amplitude = U::add(U::mul(k.lfoAmount, U::load(&s.lfoValue[i][lane])), U::load(&s.level[op][lane]));
        const F y = U::mul(U::mul(U::mul(amplitude, U::load(&s.envelopeLevels[op + 1][i][lane])), w),
                           U::splat(kPhaseUnits));
        lastOut = y;
        const int route = k.route;
        const bool emptiesNext = op < 3;
        if (route == LaneRouteNext && emptiesNext) {
            // The Next bus is only ever read through a truncation, where -0 and +0 are the same
            // 0: storing y stands for emptying the bus and adding y to it.
            U::store(next, y);
        } else if (route >= 0) {
            if (emptiesNext) U::store(next, U::zero());
            float* bus = &s.bus[route][i][lane];
            if (!k.firstInto)
                U::store(bus, U::add(U::load(bus), y));
            else  // M is only read through a truncation too; Out is added to the sound
                U::store(bus, route == LaneRouteOut ? U::add(y, U::zero()) : y);
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
    LANE_INLINE static void operatorMSample(VoiceLaneState& s, const OperatorSettings<U>& k, int i, int lane, int reads,
                                              I& phase, F& lastOut) {
        phase = advance<Pitch>(s, kOperatorM, i, lane, phase);
        const I modulation =
            U::truncate(U::add(U::mul(k.feedback, lastOut), U::load(&s.bus[LaneRouteM][i][lane])));
        const F w = wave(k.waveform, reads, U::addInt(modulation, phase));
        const F level = U::load(&s.level[kOperatorM][lane]);
        const F y = U::mul(w, U::add(U::mul(k.lfoAmount, U::load(&s.lfoValue[i][lane])), level));
        lastOut = U::mul(y, U::splat(kPhaseUnits));
        const F voiceSample = U::add(U::mul(U::load(&s.bus[LaneRouteOut][i][lane]), U::splat(kBusOutScale)), y);
        U::store(&s.output[i][lane], U::mul(U::mul(voiceSample, U::load(&s.envelopeLevels[kEnvelopeM][i][lane])), level));
    }
};

// A voice alone in the last vector, with its five operators side by side in one vector instead of
// five scalar chains (VoiceLanes.h: operator m in lane 0, operators 4, 3, 2, 1 in lanes 1 to 4).
// At step t the lane of operator k works on sample t - k + 1 and operator m on t - 4, exactly as
// the pipeline below runs the operators of whole vectors, so each lane's buses belong to its
// sample: after every step the buses move down one lane, from the operator that has added to them
// to the next one that reads them. The sums are the reference's, in its order; an operator that is
// off leaves the Next bus as it found it, and its lane only moves its phase.
//
// A step is one chain of dependent operations; it is taken in three stages (modulate, read,
// finish) so that the pipeline can place other work between them.
template <class V>
struct DiagonalVoice {
    using F = typename V::F;
    using I = typename V::I;
    static_assert(V::kWidth == kDiagonalWidth, "one vector holds the diagonal");

    // What carries from one stage or step to the next.
    struct Registers {
        I phase;
        F lastOut, next, busM, busOut;  // per lane: the Next, M and Out buses of its sample
        F live, in;                     // this step: lanes on a sample of the chunk; the bus each reads
        I index;
        F wave;
    };

    DiagonalLaneState& d;
    const float* waveformBase;
    float levelM;
    I increment, tableStart;
    F incrementAsFloat, feedback, lfoAmount, level, on, laneM, toNext, toM, toOut;

    DiagonalVoice(DiagonalLaneState& diagonal, const LaneParameters& p, Registers& r)
        : d(diagonal),
          waveformBase(p.waveformBase),
          levelM(diagonal.level[0]),
          increment(V::loadInt(diagonal.increment)),
          tableStart(V::loadInt(diagonal.tableStart)),
          incrementAsFloat(V::load(diagonal.incrementAsFloat)),
          feedback(V::load(diagonal.feedback)),
          lfoAmount(V::load(diagonal.lfoAmount)),
          level(V::load(diagonal.level)),
          on(V::maskOf(V::loadInt(diagonal.on))),
          laneM(V::maskOf(V::loadInt(diagonal.laneM))),
          toNext(V::maskOf(V::loadInt(diagonal.route[LaneRouteNext]))),
          toM(V::maskOf(V::loadInt(diagonal.route[LaneRouteM]))),
          toOut(V::maskOf(V::loadInt(diagonal.route[LaneRouteOut]))) {
        r.phase = V::loadInt(d.phase);
        r.lastOut = V::load(d.lastOut);
        r.next = r.busM = r.busOut = V::zero();
    }

    // The phase advance, the bus each lane reads and the modulated table index.
    template <bool Pitch>
    LANE_INLINE void modulate(int t, Registers& r) const {
        r.live = V::maskOf(V::loadIntUnaligned(&d.live[t]));
        const I advance =
            Pitch ? V::truncate(V::mul(incrementAsFloat, V::loadUnaligned(&d.pitchFactor[t]))) : increment;
        const I phase = V::addInt(r.phase, advance);
        r.phase = V::selectInt(r.live, phase, r.phase);
        r.in = V::select(laneM, r.busM, r.next);
        const I modulation = V::truncate(V::add(V::mul(feedback, r.lastOut), r.in));
        r.index = V::addInt(V::tableIndex(V::addInt(modulation, phase)), tableStart);
    }

    LANE_INLINE void read(Registers& r) const { r.wave = V::fiveEntries(waveformBase, r.index); }

    // Each lane's output, operator m's sample, and the buses moved on to the next lane.
    LANE_INLINE void finish(int t, Registers& r) const {
        const F w = r.wave;
        const F amplitude = V::add(V::mul(lfoAmount, V::loadUnaligned(&d.lfoValue[t])), level);
        // The operators multiply their amplitude by their envelope and then by the wave; operator m
        // multiplies its wave by its amplitude, its envelope coming at the output. Its lane takes
        // 1 for the envelope: amplitude * 1 is amplitude, and amplitude * w is w * amplitude.
        const F envelope = V::load(d.envelope[t]);
        const F shaped = V::mul(V::mul(amplitude, V::select(laneM, V::splat(1.0f), envelope)), w);
        const F y = V::mul(shaped, V::splat(kPhaseUnits));
        r.lastOut = V::select(V::both(r.live, on), y, r.lastOut);
        if (t >= kDiagonalLead) {
            const float voiceSample = V::first(r.busOut) * kBusOutScale + V::first(shaped);
            d.output[t - kDiagonalLead] = voiceSample * V::first(envelope) * levelM;
        }
        r.next = V::shiftDown(V::select(on, V::masked(y, toNext), r.in));
        r.busM = V::shiftDown(V::add(r.busM, V::masked(y, toM)));
        r.busOut = V::shiftDown(V::add(r.busOut, V::masked(y, toOut)));
    }

    void store(const Registers& r) const {
        V::storeInt(d.phase, r.phase);
        V::store(d.lastOut, r.lastOut);
    }
};

// Stands in for the diagonal voice where there is none.
struct NoDiagonal {
    struct Registers {};
    NoDiagonal(DiagonalLaneState&, const LaneParameters&, Registers&) {}
    template <bool Pitch>
    void modulate(int, Registers&) const {}
    void read(Registers&) const {}
    void finish(int, Registers&) const {}
    void store(const Registers&) const {}
};

// The operators of N vectors of V and R single lanes after them, or, with Lone, of N vectors and
// the diagonal voice after them.
template <class V, int N, int R, class Lone = NoDiagonal>
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
    // Lanes of vector v that hold voices: the last vector may be part padding, unless voices follow it.
    static constexpr bool kLast = R == 0 && std::is_same<Lone, NoDiagonal>::value;
    static int readsOf(const LaneParameters& p, int v) { return kLast && v == N - 1 ? p.lanesInLastVector : V::kWidth; }

    // Every operator's settings, for the vectors and for the single lanes.
    struct Settings {
        OperatorSettings<V> vectors[kLaneOperators];
        OperatorSettings<SingleLane> singles[kLaneOperators];
        int reads[N > 0 ? N : 1];
        explicit Settings(const LaneParameters& p) {
            for (int op = 0; op < kLaneOperators; ++op) {
                vectors[op] = OperatorSettings<V>(p, op);
                singles[op] = OperatorSettings<SingleLane>(p, op);
            }
            for (int v = 0; v < N; ++v) reads[v] = readsOf(p, v);
        }
    };

    template <bool Pitch>
    LANE_INLINE static void operatorStep(VoiceLaneState& s, const Settings& p, int op, int i, Operator& o) {
        if (!p.vectors[op].on) {
            // An operator that is off: its phase still moves, nothing else does (but operator 1
            // empties the Next row, which it would otherwise have written).
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                o.phase[v] = Vectors::template advance<Pitch>(s, op, i, laneOf(v), o.phase[v]);
                if (op == 0) V::store(&s.bus[LaneRouteNext][i][laneOf(v)], V::zero());
            }
            for (int r = 0; r < R; ++r) {
                o.singlePhase[r] = Singles::template advance<Pitch>(s, op, i, singleLane(r), o.singlePhase[r]);
                if (op == 0) s.bus[LaneRouteNext][i][singleLane(r)] = 0.0f;
            }
            return;
        }
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v)
            Vectors::template operatorSample<Pitch>(s, p.vectors[op], op, i, laneOf(v), p.reads[v], o.phase[v],
                                                    o.lastOut[v]);
        for (int r = 0; r < R; ++r)
            Singles::template operatorSample<Pitch>(s, p.singles[op], op, i, singleLane(r), 1, o.singlePhase[r],
                                                    o.singleLastOut[r]);
    }

    template <bool Pitch>
    LANE_INLINE static void operatorMStep(VoiceLaneState& s, const Settings& p, int i, Operator& o) {
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v)
            Vectors::template operatorMSample<Pitch>(s, p.vectors[kOperatorM], i, laneOf(v), p.reads[v], o.phase[v],
                                                     o.lastOut[v]);
        for (int r = 0; r < R; ++r)
            Singles::template operatorMSample<Pitch>(s, p.singles[kOperatorM], i, singleLane(r), 1, o.singlePhase[r],
                                                     o.singleLastOut[r]);
    }

    template <bool Pitch>
    LANE_INLINE static void operatorAt(VoiceLaneState& s, const Settings& p, int op, int t, int count,
                                       Operator* o) {
        const int i = t - op;
        if (i >= 0 && i < count) operatorStep<Pitch>(s, p, op, i, o[op]);
    }

    // The five operators as a pipeline: at step t operator 1 works on sample t, operator 2 on
    // t - 1, ..., operator m on t - 4, each finding the buses of its sample complete, so the only
    // chain from sample to sample is an operator's own. All five in one loop would carry ten
    // vectors of phases and outputs (twenty registers) and spill them at every step; the chunk is
    // therefore run in three passes, operators 1 and 2, then 3 and 4, then m with the diagonal
    // voice, each keeping its operators in registers while their chains still overlap.
    template <bool Pitch>
    static void operators(VoiceLaneState& s, DiagonalLaneState& d, const LaneParameters& parameters, int count) {
        const Settings p(parameters);
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
        for (int t = 0; t < count + 1; ++t) {
            operatorAt<Pitch>(s, p, 0, t, count, o);
            operatorAt<Pitch>(s, p, 1, t, count, o);
        }
        for (int t = 2; t < count + 3; ++t) {
            operatorAt<Pitch>(s, p, 2, t, count, o);
            operatorAt<Pitch>(s, p, 3, t, count, o);
        }
        typename Lone::Registers lanes;
        const Lone lone(d, parameters, lanes);
        for (int t = 0; t < count + kOperatorM; ++t) {
            lone.template modulate<Pitch>(t, lanes);
            if (t >= kOperatorM) operatorMStep<Pitch>(s, p, t - kOperatorM, o[kOperatorM]);
            lone.read(lanes);
            lone.finish(t, lanes);
        }
        lone.store(lanes);
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

    static void run(VoiceLaneState& s, DiagonalLaneState& d, const LaneParameters& p, int count) {
        if (p.pitchModulated)
            operators<true>(s, d, p, count);
        else
            operators<false>(s, d, p, count);
    }
};

// Envelope::next in every lane of a vector, for envelopes in any state.
template <class V>
struct EnvelopeLanes {
    using F = typename V::F;
    using I = typename V::I;

    F attackRate, decayRate, sustainLevel, releaseRate;

    LANE_INLINE void next(I& state, F& level) const {
        const F zero = V::zero(), one = V::splat(1.0f);
        const F attack = V::equalTo(state, kAttack);
        const F decay = V::equalTo(state, kDecay);
        const F sustain = V::equalTo(state, kSustain);
        const F release = V::either(V::equalTo(state, kRelease), V::equalTo(state, kStealRelease));
        const F up = V::add(level, attackRate);
        const F down = V::sub(level, V::select(decay, decayRate, releaseRate));
        const F attackEnds = V::both(attack, V::atLeast(up, one));
        const F decayEnds = V::both(decay, V::atLeast(sustainLevel, down));
        const F releaseEnds = V::both(release, V::atMost(down, zero));
        level = V::select(attack, V::select(attackEnds, one, up),
                          V::select(decay, V::select(decayEnds, sustainLevel, down),
                                    V::select(sustain, sustainLevel,
                                              V::select(release, V::select(releaseEnds, zero, down), zero))));
        state = V::selectInt(attackEnds, V::splatInt(kDecay), state);
        state = V::selectInt(decayEnds, V::splatInt(kSustain), state);
        state = V::selectInt(releaseEnds, V::splatInt(kIdle), state);
    }

    // Most chunks reach no segment end. With positive rates every segment is monotonic, so a
    // straight ramp is exact if its last level has not reached the end; otherwise the chunk is
    // stepped again with next(), transitions and all. The ramp is one subtraction per step:
    // x - (-rate) is x + rate exactly, and x - (+0) is x, -0 included, so a held level stays.
    struct Ramp {
        bool possible;
        F fall, held, holding, attacking, decaying, releasing;
    };
    Ramp ramp(I state) const {
        const F zero = V::zero();
        Ramp r;
        r.attacking = V::equalTo(state, kAttack);
        r.decaying = V::equalTo(state, kDecay);
        const F sustaining = V::equalTo(state, kSustain);
        r.releasing = V::either(V::equalTo(state, kRelease), V::equalTo(state, kStealRelease));
        r.holding = V::either(sustaining, V::equalTo(state, kIdle));
        r.held = V::masked(sustainLevel, sustaining);  // Sustain holds its level, Idle holds 0
        const F rampable = V::either(V::either(r.holding, V::both(r.attacking, V::above(attackRate, zero))),
                                     V::either(V::both(r.decaying, V::above(decayRate, zero)),
                                               V::both(r.releasing, V::above(releaseRate, zero))));
        r.possible = V::allOf(rampable);
        r.fall = V::select(r.attacking, V::sub(zero, attackRate),
                           V::select(r.holding, zero, V::select(r.decaying, decayRate, releaseRate)));
        return r;
    }
    F ended(const Ramp& r, F level) const {
        return V::either(V::both(r.attacking, V::atLeast(level, V::splat(1.0f))),
                         V::either(V::both(r.decaying, V::atLeast(sustainLevel, level)),
                                   V::both(r.releasing, V::atMost(level, V::zero()))));
    }
};

// The kernel for N whole vectors of voices, and with Diagonal the voice after them along the
// diagonal; without it the last vector may be part padding.
template <class V, int N, bool Diagonal>
struct LaneKernel {
    using F = typename V::F;
    using I = typename V::I;
    static constexpr int kVectors = N > 0 ? N : 1;

    static constexpr int laneOf(int vector) { return vector * V::kWidth; }

    // Envelope::next for one vector of lanes through the chunk, each level kept for the operators.
    static void envelopeVector(VoiceLaneState& s, int slot, int lane, int count) {
        float(*levels)[kLaneCapacity] = s.envelopeLevels[slot];
        const I state = V::loadInt(&s.envelopeState[slot][lane]);
        const F start = V::load(&s.envelopeLevel[slot][lane]);
        const EnvelopeLanes<V> envelope{V::load(&s.attackRate[slot][lane]), V::load(&s.decayRate[slot][lane]),
                                        V::load(&s.sustainLevel[slot][lane]), V::load(&s.releaseRate[slot][lane])};
        const typename EnvelopeLanes<V>::Ramp ramp = envelope.ramp(state);

        // Held and finished envelopes stay as they are: one level in every row, written only when
        // the rows do not hold it already.
        if (V::allOf(ramp.holding)) {
            const F filled = V::both(V::sameBits(ramp.held, V::load(&s.heldLevel[slot][lane])),
                                     V::maskOf(V::loadInt(&s.heldRowsFilled[slot][lane])));
            if (!V::allOf(filled)) {
                for (int i = 0; i < kLaneChunk; ++i) V::store(&levels[i][lane], ramp.held);
                V::store(&s.heldLevel[slot][lane], ramp.held);
                V::storeInt(&s.heldRowsFilled[slot][lane], V::splatInt(-1));
            }
            V::store(&s.envelopeLevel[slot][lane], ramp.held);
            return;
        }
        V::storeInt(&s.heldRowsFilled[slot][lane], V::splatInt(0));

        if (ramp.possible) {
            F level = V::select(ramp.holding, ramp.held, start);
            for (int i = 0; i < count; ++i) {
                level = V::sub(level, ramp.fall);
                V::store(&levels[i][lane], level);
            }
            if (V::noneOf(envelope.ended(ramp, level))) {
                V::store(&s.envelopeLevel[slot][lane], level);
                return;
            }
        }

        I current = state;
        F level = start;
        for (int i = 0; i < count; ++i) {
            envelope.next(current, level);
            V::store(&levels[i][lane], level);
        }
        V::storeInt(&s.envelopeState[slot][lane], current);
        V::store(&s.envelopeLevel[slot][lane], level);
    }

    // The diagonal voice's five envelopes as the lanes of one vector: lane j steps only at the
    // steps where it works on a sample of the chunk, and only if its envelope moves at all.
    static void diagonalEnvelopes(DiagonalLaneState& d, int count) {
        const I state = V::loadInt(d.envelopeState);
        const F start = V::load(d.envelopeLevel);
        const F moving = V::maskOf(V::loadInt(d.on));
        const EnvelopeLanes<V> envelope{V::load(d.attackRate), V::load(d.decayRate), V::load(d.sustainLevel),
                                        V::load(d.releaseRate)};
        const typename EnvelopeLanes<V>::Ramp ramp = envelope.ramp(state);
        const int steps = count + kDiagonalLead;
        const auto stepsHere = [&](int t) { return V::both(moving, V::maskOf(V::loadIntUnaligned(&d.live[t]))); };
        if (ramp.possible) {
            // A lane that does not step takes off +0, which leaves every level as it is.
            F level = V::select(V::both(ramp.holding, moving), ramp.held, start);
            for (int t = 0; t < steps; ++t) {
                level = V::sub(level, V::masked(ramp.fall, stepsHere(t)));
                V::store(d.envelope[t], level);
            }
            if (V::noneOf(V::both(moving, envelope.ended(ramp, level)))) {
                V::store(d.envelopeLevel, level);
                return;
            }
        }
        I current = state;
        F level = start;
        for (int t = 0; t < steps; ++t) {
            I nextState = current;
            F nextLevel = level;
            envelope.next(nextState, nextLevel);
            const F here = stepsHere(t);
            current = V::selectInt(here, nextState, current);
            level = V::select(here, nextLevel, level);
            V::store(d.envelope[t], level);
        }
        V::storeInt(d.envelopeState, current);
        V::store(d.envelopeLevel, level);
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
        if (!Diagonal && v == N - 1 && p.lanesInLastVector < V::kWidth)
            return V::tableEntriesPartly(table, index, p.lanesInLastVector);
        return V::tableEntries(table, index);
    }

    // The LFO of every voice, the pitch factor it gives, and the bus rows that need emptying, for
    // every sample. A slow LFO keeps its table index for several samples; while no lane of a vector
    // has moved to a new index, the vector's values are the ones just computed, and the table is
    // not read again.
    static void lfoPass(VoiceLaneState& s, const LaneParameters& p, const float* sine, int count) {
        I phase[kVectors], index[kVectors];
        F value[kVectors], pitch[kVectors];
        const bool emptiesM = rowsNeedEmptying(p, LaneRouteM), emptiesOut = rowsNeedEmptying(p, LaneRouteOut);
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v) {
            phase[v] = V::loadInt(&s.lfoPhase[laneOf(v)]);
            index[v] = V::splatInt(-1);  // no index: the first sample reads the table
            value[v] = pitch[v] = V::zero();
        }
        for (int i = 0; i < count; ++i) {
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                const int lane = laneOf(v);
                const I at = V::tableIndex(phase[v]);
                if (!V::allOf(V::sameBits(V::maskOf(at), V::maskOf(index[v])))) {
                    index[v] = at;
                    value[v] = V::mul(entries(p, v, sine, at), V::load(&s.lfoDepth[lane]));
                    pitch[v] = pitchFactor(V::mul(V::splat(p.pitchDepth), value[v]));
                }
                phase[v] = V::andInt(V::addInt(phase[v], V::loadInt(&s.lfoIncrement[lane])), V::splatInt(kPhaseMask));
                V::store(&s.lfoValue[i][lane], value[v]);
                if (p.pitchModulated) V::store(&s.pitchFactor[i][lane], pitch[v]);
                if (emptiesM) V::store(&s.bus[LaneRouteM][i][lane], V::zero());
                if (emptiesOut) V::store(&s.bus[LaneRouteOut][i][lane], V::zero());
            }
        }
#pragma GCC unroll 8
        for (int v = 0; v < N; ++v) V::storeInt(&s.lfoPhase[laneOf(v)], phase[v]);
    }

    // The diagonal voice's LFO into the rows its lanes read. Sample i's phase is the first one plus
    // i increments (only its low 16 bits count), so W samples go at a time.
    static void diagonalLfo(VoiceLaneState& s, DiagonalLaneState& d, const LaneParameters& p, const float* sine,
                            int count) {
        const int lane = laneOf(N);
        const uint32_t increment = static_cast<uint32_t>(s.lfoIncrement[lane]);
        const float depth = s.lfoDepth[lane];
        const float pitchDepth = p.pitchDepth;
        alignas(32) int32_t firstPhases[V::kWidth];
        for (int k = 0; k < V::kWidth; ++k)
            firstPhases[k] = static_cast<int32_t>(static_cast<uint32_t>(s.lfoPhase[lane]) + k * increment);
        I phases = V::loadInt(firstPhases);
        const I stride = V::splatInt(static_cast<int32_t>(V::kWidth * increment));
        int i = 0;
        for (; i + V::kWidth <= count; i += V::kWidth) {
            const F lfoValue = V::mul(V::tableEntries(sine, V::tableIndex(phases)), V::splat(depth));
            V::storeUnaligned(&d.lfoValue[i + kDiagonalLead], lfoValue);
            V::storeUnaligned(&d.pitchFactor[i + kDiagonalLead], pitchFactor(V::mul(V::splat(pitchDepth), lfoValue)));
            phases = V::addInt(phases, stride);
        }
        uint32_t phase = (static_cast<uint32_t>(s.lfoPhase[lane]) + i * increment) & kPhaseMask;
        for (; i < count; ++i) {
            const float lfoValue = sine[(phase >> kPhaseToIndexShift) & kTableIndexMask] * depth;
            phase = (phase + increment) & kPhaseMask;
            d.lfoValue[i + kDiagonalLead] = lfoValue;
            d.pitchFactor[i + kDiagonalLead] = pitchFactor(pitchDepth * lfoValue);
        }
        s.lfoPhase[lane] = static_cast<int32_t>(phase);
    }

    // Marks the entries of the diagonal rows that hold samples of a chunk of `count`.
    static void layOutDiagonal(DiagonalLaneState& d, int count) {
        if (d.liveCount == count) return;
        for (int k = 0; k < kDiagonalRow; ++k) d.live[k] = k >= kDiagonalLead && k < kDiagonalLead + count ? -1 : 0;
        d.liveCount = count;
    }

    // Adds the lanes into out voice after voice, as the voices would one by one: W samples at a
    // time, each vector of lanes turned so that a register holds one voice's W samples.
    static void mix(const VoiceLaneState& s, const DiagonalLaneState& d, const LaneParameters& p, float* out,
                    int count) {
        const int vectorLanes = Diagonal ? laneOf(N) : p.lanes;
        int i = 0;
        for (; i + V::kWidth <= count; i += V::kWidth) {
            F sum = V::loadUnaligned(out + i);
            // Unrolled throughout, so that the rows stay in registers.
#pragma GCC unroll 8
            for (int v = 0; v < N; ++v) {
                F rows[V::kWidth];
#pragma GCC unroll 8
                for (int k = 0; k < V::kWidth; ++k) rows[k] = V::load(&s.output[i + k][laneOf(v)]);
                V::transpose(rows);
                const int lanes = vectorLanes - laneOf(v);
#pragma GCC unroll 8
                for (int k = 0; k < V::kWidth; ++k)
                    if (k < lanes) sum = V::add(sum, rows[k]);
            }
            if (Diagonal) sum = V::add(sum, V::loadUnaligned(d.output + i));
            V::storeUnaligned(out + i, sum);
        }
        for (; i < count; ++i) {
            float sum = out[i];
            for (int lane = 0; lane < vectorLanes; ++lane) sum += s.output[i][lane];
            if (Diagonal) sum += d.output[i];
            out[i] = sum;
        }
    }

    static void render(VoiceLaneState& s, DiagonalLaneState& d, const LaneParameters& p, const float* sine,
                       float* out, int count) {
        // The diagonal voice's rows first, well before its steps read them.
        if constexpr (Diagonal) {
            layOutDiagonal(d, count);
            diagonalLfo(s, d, p, sine, count);
            diagonalEnvelopes(d, count);
        }
        envelopePass(s, p, count);
        lfoPass(s, p, sine, count);
        if constexpr (Diagonal) {
            OperatorPipeline<V, N, 0, DiagonalVoice<V>>::run(s, d, p, count);
        } else if (p.lanesInLastVector == 1) {
            // A last vector holding one voice would do a whole vector's arithmetic for it: that
            // voice goes through the operators as a single lane instead.
            OperatorPipeline<V, N - 1, 1>::run(s, d, p, count);
        } else {
            OperatorPipeline<V, N, 0>::run(s, d, p, count);
        }
        mix(s, d, p, out, count);
    }
};

// Picks the kernel whose vector count matches, so that each keeps its chains in registers. A voice
// alone in the last vector goes along the diagonal where one vector holds its five operators.
template <class V, int N = kLaneCapacity / V::kWidth>
void renderLanes(VoiceLaneState& s, DiagonalLaneState& d, const LaneParameters& p, const float* sine, float* out,
                 int count, int vectors) {
    if (vectors == N) {
        if constexpr (V::kWidth == kDiagonalWidth) {
            if (p.diagonal) {
                LaneKernel<V, N - 1, true>::render(s, d, p, sine, out, count);
                return;
            }
        }
        LaneKernel<V, N, false>::render(s, d, p, sine, out, count);
    } else if constexpr (N > 1) {
        renderLanes<V, N - 1>(s, d, p, sine, out, count, vectors);
    }
}
}  // namespace
