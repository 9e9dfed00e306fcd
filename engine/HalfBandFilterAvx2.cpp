// The half-band filter's loop for pairs of samples on processors with AVX2, chosen at run time.
// This file alone is compiled with -mavx2 (never -mfma: the arithmetic must stay unfused).
#include <immintrin.h>

#include "engine/HalfBandFilter.h"

// Both branches in one register: lanes 0 and 1 hold branch A at samples n and n + 1, lanes 2 and
// 3 branch B at the same samples. The five stages of each branch are then five registers of
// state, inputs and outputs each, and stay in registers for the whole buffer.
int filterPairsAvx2(AllpassCascade& branchA, AllpassCascade& branchB, double& previousB, float* buffer,
                    int count) {
    constexpr int kStages = 5;
    if (branchA.size() != kStages || branchB.size() != kStages)
        return filterPairsSse2(branchA, branchB, previousB, buffer, count);
    __m256d a[kStages], xBefore[kStages], yBefore[kStages];  // inputs and outputs at n - 2 and n - 1
    // Every loop over the stages is unrolled, or the arrays would live in memory and be stored at
    // every pair.
#pragma GCC unroll 5
    for (int k = 0; k < kStages; ++k) {
        const AllpassStage& sa = branchA.stage(k);
        const AllpassStage& sb = branchB.stage(k);
        a[k] = _mm256_setr_pd(sa.a, sa.a, sb.a, sb.a);
        xBefore[k] = _mm256_setr_pd(sa.x2, sa.x1, sb.x2, sb.x1);
        yBefore[k] = _mm256_setr_pd(sa.y2, sa.y1, sb.y2, sb.y1);
    }
    const __m256d guard = _mm256_set1_pd(kHalfBandDenormalGuard);
    __m128d lastB = _mm_set_pd(previousB, 0.0);  // lane 1: branch B's output for the sample before
    // The stages are skewed: at step t stage k works on pair t - k, taking the output stage k - 1
    // gave for that pair at step t - 1. The stages of one step are then independent of each other,
    // and each step waits only on the recursions of the stages, not on the whole cascade.
    __m256d input[kStages] = {};  // what each stage works on at the next step
    const int pairs = count / 2;
    for (int t = 0; t < pairs + kStages - 1; ++t) {
        // The last stage first, so that each stage takes its input before the one before it
        // gives the next.
#pragma GCC unroll 5
        for (int k = kStages - 1; k >= 0; --k) {
            const int pair = t - k;
            if (pair < 0 || pair >= pairs) continue;
            __m256d x;
            if (k == 0) {
                const __m128d samples = _mm_cvtps_pd(
                    _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(buffer + 2 * pair))));
                x = _mm256_add_pd(_mm256_set_m128d(samples, samples), guard);
            } else {
                x = input[k];
            }
            const __m256d y = _mm256_add_pd(_mm256_mul_pd(a[k], _mm256_sub_pd(x, yBefore[k])), xBefore[k]);
            xBefore[k] = x;
            yBefore[k] = y;
            if (k < kStages - 1) {
                input[k + 1] = y;
                continue;
            }
            const __m256d out = _mm256_sub_pd(y, guard);
            const __m128d ya = _mm256_castpd256_pd128(out);
            const __m128d yb = _mm256_extractf128_pd(out, 1);
            // Sample n takes branch B's output for n - 1, sample n + 1 the one for n.
            const __m128d sum = _mm_add_pd(ya, _mm_shuffle_pd(lastB, yb, 1));
            const __m128 scaled = _mm_mul_ps(_mm_cvtpd_ps(sum), _mm_set1_ps(0.5f));
            _mm_storel_pi(reinterpret_cast<__m64*>(buffer + 2 * pair), scaled);
            lastB = yb;
        }
    }
    const int i = 2 * pairs;
    alignas(32) double lanes[4];
#pragma GCC unroll 5
    for (int k = 0; k < kStages; ++k) {
        AllpassStage& sa = branchA.stage(k);
        AllpassStage& sb = branchB.stage(k);
        _mm256_store_pd(lanes, xBefore[k]);
        sa.x2 = lanes[0], sa.x1 = lanes[1], sb.x2 = lanes[2], sb.x1 = lanes[3];
        _mm256_store_pd(lanes, yBefore[k]);
        sa.y2 = lanes[0], sa.y1 = lanes[1], sb.y2 = lanes[2], sb.y1 = lanes[3];
    }
    previousB = _mm_cvtsd_f64(_mm_unpackhi_pd(lastB, lastB));
    return i;
}
