// The voice alone in the last vector of 8, run along the diagonal. See VoiceLanesVector.h for
// the vector type V.
#pragma once

#include "engine/VoiceLanesVector.h"

namespace {
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
}  // namespace
