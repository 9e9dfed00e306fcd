#include "engine/HalfBandFilter.h"

#include <emmintrin.h>

#include "engine/ProcessorFeatures.h"

namespace {
constexpr int stagesPerBranch = 5;
constexpr double branchACoefficients[stagesPerBranch] = {
    0.02366831419883467, 0.18989476227180174, 0.43157318062118555, 0.6632020224193995, 0.860015542499582,
};
constexpr double branchBCoefficients[stagesPerBranch] = {
    0.09056555904993387, 0.3078575723749043, 0.5516782402507934, 0.7652146863779808, 0.9524772837866754,
};
}  // namespace

AllpassCascade::AllpassCascade(int count, const double* coefficients) {
    stages.reserve(count);
    for (int i = 0; i < count; ++i) stages.emplace_back(coefficients[i]);
}

HalfBandFilter::HalfBandFilter()
    : branchA(stagesPerBranch, branchACoefficients), branchB(stagesPerBranch, branchBCoefficients) {
    useAvx2(true);
}

void HalfBandFilter::useAvx2(bool use) {
    static const bool hasAvx2 = processorHasAvx2();
    avx2 = use && hasAvx2;
}

// One register per branch holds samples n and n + 1; the state stays in registers for the whole
// buffer.
int filterPairsSse2(AllpassCascade& branchA, AllpassCascade& branchB, double& previousB, float* buffer, int count) {
    struct Branch {
        AllpassCascade& cascade;
        __m128d a[stagesPerBranch];
        __m128d xBefore[stagesPerBranch];  // the stage's input at n - 2 and n - 1
        __m128d yBefore[stagesPerBranch];  // its output at n - 2 and n - 1

        // Every loop over the stages is unrolled, or the arrays would live in memory and be
        // stored at every pair.
        explicit Branch(AllpassCascade& c) : cascade(c) {
#pragma GCC unroll 5
            for (int k = 0; k < stagesPerBranch; ++k) {
                const AllpassStage& stage = cascade.stage(k);
                a[k] = _mm_set1_pd(stage.a);
                xBefore[k] = _mm_setr_pd(stage.x2, stage.x1);
                yBefore[k] = _mm_setr_pd(stage.y2, stage.y1);
            }
        }
        __m128d process(__m128d x) {
#pragma GCC unroll 5
            for (int k = 0; k < stagesPerBranch; ++k) {
                const __m128d y = _mm_add_pd(_mm_mul_pd(a[k], _mm_sub_pd(x, yBefore[k])), xBefore[k]);
                xBefore[k] = x;
                yBefore[k] = y;
                x = y;
            }
            return x;
        }
        void store() {
#pragma GCC unroll 5
            for (int k = 0; k < stagesPerBranch; ++k) {
                AllpassStage& stage = cascade.stage(k);
                _mm_storel_pd(&stage.x2, xBefore[k]);
                _mm_storeh_pd(&stage.x1, xBefore[k]);
                _mm_storel_pd(&stage.y2, yBefore[k]);
                _mm_storeh_pd(&stage.y1, yBefore[k]);
            }
        }
    };

    Branch a(branchA), b(branchB);
    const __m128d guard = _mm_set1_pd(kHalfBandDenormalGuard);
    double previous = previousB;
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const __m128d u = _mm_add_pd(_mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(buffer + i)))), guard);
        const __m128d ya = _mm_sub_pd(a.process(u), guard);
        const __m128d yb = _mm_sub_pd(b.process(u), guard);
        buffer[i] = static_cast<float>(_mm_cvtsd_f64(ya) + previous) * 0.5f;
        previous = _mm_cvtsd_f64(yb);
        buffer[i + 1] = static_cast<float>(_mm_cvtsd_f64(_mm_unpackhi_pd(ya, ya)) + previous) * 0.5f;
        previous = _mm_cvtsd_f64(_mm_unpackhi_pd(yb, yb));
    }
    a.store();
    b.store();
    previousB = previous;
    return i;
}

// The offset is added before both branches and taken off after them: in silence the recursive
// state settles on it instead of decaying into the slow denormal range.
void HalfBandFilter::process(float* buffer, int count) {
    int i = avx2 ? filterPairsAvx2(branchA, branchB, previousB, buffer, count)
                 : filterPairsSse2(branchA, branchB, previousB, buffer, count);
    double previous = previousB;
    for (; i < count; ++i) {  // an odd sample left over: the cascades one stage at a time
        const double u = static_cast<double>(buffer[i]) + kHalfBandDenormalGuard;
        const double ya = branchA.process(u);
        buffer[i] = static_cast<float>(ya - kHalfBandDenormalGuard + previous) * 0.5f;
        previous = branchB.process(u) - kHalfBandDenormalGuard;
    }
    previousB = previous;
}
