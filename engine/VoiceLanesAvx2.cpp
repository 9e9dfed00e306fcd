// The lane sample loop eight voices at a time, for processors with AVX2; chosen at run time.
// This file alone is compiled with -mavx2 (never -mfma: the arithmetic must stay unfused).
#include <immintrin.h>

#include "engine/VoiceLanesKernel.h"

namespace {
struct Avx2 {
    static constexpr int kWidth = 8;
    using F = __m256;
    using I = __m256i;

    static F load(const float* p) { return _mm256_load_ps(p); }
    static void store(float* p, F v) { _mm256_store_ps(p, v); }
    static F splat(float x) { return _mm256_set1_ps(x); }
    static F zero() { return _mm256_setzero_ps(); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F masked(F v, I mask) { return _mm256_and_ps(v, _mm256_castsi256_ps(mask)); }

    static I loadInt(const int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static void storeInt(int32_t* p, I v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }
    static I splatInt(int32_t x) { return _mm256_set1_epi32(x); }
    static I addInt(I a, I b) { return _mm256_add_epi32(a, b); }
    static I andInt(I a, I b) { return _mm256_and_si256(a, b); }
    static I shiftRight4(I a) { return _mm256_srli_epi32(a, 4); }
    static I truncate(F v) { return _mm256_cvttps_epi32(v); }
    static I tableIndex(I phase) { return _mm256_and_si256(_mm256_srli_epi32(phase, 4), _mm256_set1_epi32(0xFFF)); }

    static __m128 entryPairs(const float (*table)[2], uint32_t a, uint32_t b) {
        return _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(table[a]))),
                            reinterpret_cast<const __m64*>(table[b]));
    }
    // Table reads are scalar: the indices go through memory, each entry pair is one 64-bit load.
    static void crossfadeEntries(const float (*table)[2], I index, F& sine, F& slope) {
        alignas(32) uint32_t at[8];
        storeInt(reinterpret_cast<int32_t*>(at), index);
        const F low = _mm256_set_m128(entryPairs(table, at[4], at[5]), entryPairs(table, at[0], at[1]));
        const F high = _mm256_set_m128(entryPairs(table, at[6], at[7]), entryPairs(table, at[2], at[3]));
        sine = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
        slope = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
    }
    static F sineEntries(const float (*table)[2], I index) {
        alignas(32) uint32_t at[8];
        storeInt(reinterpret_cast<int32_t*>(at), index);
        return _mm256_setr_ps(table[at[0]][0], table[at[1]][0], table[at[2]][0], table[at[3]][0], table[at[4]][0],
                              table[at[5]][0], table[at[6]][0], table[at[7]][0]);
    }
};
}  // namespace

void renderLanesAvx2(VoiceLaneState& lanes, const LaneParameters& parameters, const float (*crossfade)[2],
                     int count, int vectors) {
    renderLanes<Avx2>(lanes, parameters, crossfade, count, vectors);
}
