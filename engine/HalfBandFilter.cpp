#include "engine/HalfBandFilter.h"

#include <emmintrin.h>

namespace {
constexpr int stagesPerBranch = 5;
constexpr double branchACoefficients[stagesPerBranch] = {
    0.02366831419883467, 0.18989476227180174, 0.43157318062118555, 0.6632020224193995, 0.860015542499582,
};
constexpr double branchBCoefficients[stagesPerBranch] = {
    0.09056555904993387, 0.3078575723749043, 0.5516782402507934, 0.7652146863779808, 0.9524772837866754,
};
// Added before both branches and taken off after them: in silence the recursive state settles on
// this offset instead of decaying into the slow denormal range.
constexpr double denormalGuard = 1e-15;
}  // namespace

AllpassCascade::AllpassCascade(int count, const double* coefficients) {
    stages.reserve(count);
    for (int i = 0; i < count; ++i) stages.emplace_back(coefficients[i]);
}

HalfBandFilter::HalfBandFilter()
    : branchA(stagesPerBranch, branchACoefficients), branchB(stagesPerBranch, branchBCoefficients) {}

// Both branches step together, A in the low lane and B in the high lane: for each lane the same
// double operations in the same order as AllpassStage::process, with the state held in registers
// for the whole buffer.
void HalfBandFilter::process(float* buffer, int count) {
    __m128d a[stagesPerBranch], x1[stagesPerBranch], x2[stagesPerBranch], y1[stagesPerBranch], y2[stagesPerBranch];
    AllpassStage* stageA[stagesPerBranch];
    AllpassStage* stageB[stagesPerBranch];
    for (int k = 0; k < stagesPerBranch; ++k) {
        stageA[k] = &branchA.stage(k);
        stageB[k] = &branchB.stage(k);
        a[k] = _mm_setr_pd(stageA[k]->a, stageB[k]->a);
        x1[k] = _mm_setr_pd(stageA[k]->x1, stageB[k]->x1);
        x2[k] = _mm_setr_pd(stageA[k]->x2, stageB[k]->x2);
        y1[k] = _mm_setr_pd(stageA[k]->y1, stageB[k]->y1);
        y2[k] = _mm_setr_pd(stageA[k]->y2, stageB[k]->y2);
    }
    const __m128d guard = _mm_set1_pd(denormalGuard);
    double previous = previousB;
    for (int i = 0; i < count; ++i) {
        __m128d x = _mm_set1_pd(static_cast<double>(buffer[i]) + denormalGuard);
        for (int k = 0; k < stagesPerBranch; ++k) {
            const __m128d y = _mm_add_pd(_mm_mul_pd(a[k], _mm_sub_pd(x, y2[k])), x2[k]);
            x2[k] = x1[k];
            x1[k] = x;
            y2[k] = y1[k];
            y1[k] = y;
            x = y;
        }
        const __m128d unguarded = _mm_sub_pd(x, guard);
        buffer[i] = static_cast<float>(_mm_cvtsd_f64(unguarded) + previous) * 0.5f;
        previous = _mm_cvtsd_f64(_mm_unpackhi_pd(unguarded, unguarded));
    }
    previousB = previous;
    for (int k = 0; k < stagesPerBranch; ++k) {
        _mm_storel_pd(&stageA[k]->x1, x1[k]);
        _mm_storeh_pd(&stageB[k]->x1, x1[k]);
        _mm_storel_pd(&stageA[k]->x2, x2[k]);
        _mm_storeh_pd(&stageB[k]->x2, x2[k]);
        _mm_storel_pd(&stageA[k]->y1, y1[k]);
        _mm_storeh_pd(&stageB[k]->y1, y1[k]);
        _mm_storel_pd(&stageA[k]->y2, y2[k]);
        _mm_storeh_pd(&stageB[k]->y2, y2[k]);
    }
}
