// The sample loop of Voice::renderReference written once for any vector width (the vector type V
// of VoiceLanesVector.h): per chunk, the envelopes (VoiceLanesEnvelopes.h) and the LFO of every
// lane, the operators (VoiceLanesOperators.h) with the voice alone in the last vector along the
// diagonal (VoiceLanesDiagonal.h), then the mix. Included only by VoiceLanesSse2.cpp and
// VoiceLanesAvx2.cpp; everything here has internal linkage, so each file keeps its own copy.
#pragma once

#include "engine/VoiceLanesDiagonal.h"
#include "engine/VoiceLanesEnvelopes.h"
#include "engine/VoiceLanesOperators.h"
#include "engine/VoiceLanesVector.h"

namespace {
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
            const F pitch = pitchFactor(V::mul(V::splat(pitchDepth), lfoValue));
            V::storeUnaligned(&d.pitchFactor[i + kDiagonalLead], pitch);
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
