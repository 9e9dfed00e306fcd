// The envelopes of a vector of lanes. See VoiceLanesVector.h for the vector type V.
#pragma once

#include "engine/VoiceLanesVector.h"

namespace {
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
}  // namespace
