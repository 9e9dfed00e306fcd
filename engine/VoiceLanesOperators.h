// The operators of the lanes, sample by sample: one operator on a group of lanes (OperatorLanes),
// and the five of them run as a pipeline over a chunk (OperatorPipeline).
//
// Order of work. Within a sample the reference runs operator 1, 2, 3, 4, then m, each reading the
// buses the earlier ones wrote: a chain of five table reads. Here the envelopes and the LFO of a
// whole chunk come first (they do not depend on the sound), and the buses are kept per sample, so
// operator 2 can work on sample i while operator 1 is already on sample i + 1: the same sums in the
// same order, but the only chain from sample to sample is an operator's own feedback, and the
// chains of five operators times N vectors of voices run side by side.
#pragma once

#include <type_traits>

#include "engine/VoiceLanesVector.h"

namespace {
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
}  // namespace
