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
    static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }

    static F maskOf(I mask) { return _mm256_castsi256_ps(mask); }
    static F masked(F v, F mask) { return _mm256_and_ps(v, mask); }
    static F both(F a, F b) { return _mm256_and_ps(a, b); }
    static F either(F a, F b) { return _mm256_or_ps(a, b); }
    static F select(F mask, F whenTrue, F whenFalse) { return _mm256_blendv_ps(whenFalse, whenTrue, mask); }
    static I selectInt(F mask, I whenTrue, I whenFalse) {
        return _mm256_castps_si256(
            _mm256_blendv_ps(_mm256_castsi256_ps(whenFalse), _mm256_castsi256_ps(whenTrue), mask));
    }
    static bool allOf(F mask) { return _mm256_movemask_ps(mask) == 0xFF; }
    static bool noneOf(F mask) { return _mm256_movemask_ps(mask) == 0; }
    static F atLeast(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
    static F atMost(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
    static F above(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static F equalTo(I a, int32_t b) { return _mm256_castsi256_ps(_mm256_cmpeq_epi32(a, _mm256_set1_epi32(b))); }

    static I loadInt(const int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static void storeInt(int32_t* p, I v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }
    static I splatInt(int32_t x) { return _mm256_set1_epi32(x); }
    static I addInt(I a, I b) { return _mm256_add_epi32(a, b); }
    static I truncate(F v) { return _mm256_cvttps_epi32(v); }
    static I tableIndex(I phase) { return _mm256_and_si256(_mm256_srli_epi32(phase, 4), _mm256_set1_epi32(0xFFF)); }

    static __m128 entryPairs(const float (*table)[2], uint32_t a, uint32_t b) {
        return _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(table[a]))),
                            reinterpret_cast<const __m64*>(table[b]));
    }
    // Table reads are scalar: the indices go through memory, each entry pair is one 64-bit load.
    static void crossfadeEntries(const float (*table)[2], I index, F& sine, F& slope) {
        alignas(32) uint32_t at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
        const F low = _mm256_set_m128(entryPairs(table, at[4], at[5]), entryPairs(table, at[0], at[1]));
        const F high = _mm256_set_m128(entryPairs(table, at[6], at[7]), entryPairs(table, at[2], at[3]));
        sine = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
        slope = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
    }
    static void crossfadeEntriesPartly(const float (*table)[2], I index, int lanes, F& sine, F& slope) {
        if (lanes > 4) return crossfadeEntries(table, index, sine, slope);
        if (lanes > 1) {
            alignas(16) uint32_t at[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(index));
            const __m128 low = entryPairs(table, at[0], at[1]), high = entryPairs(table, at[2], at[3]);
            sine = _mm256_zextps128_ps256(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
            slope = _mm256_zextps128_ps256(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
            return;
        }
        const __m128 pair = _mm_castpd_ps(
            _mm_load_sd(reinterpret_cast<const double*>(table[_mm_cvtsi128_si32(_mm256_castsi256_si128(index))])));
        sine = _mm256_zextps128_ps256(_mm_move_ss(_mm_setzero_ps(), pair));
        slope = _mm256_zextps128_ps256(_mm_move_ss(_mm_setzero_ps(), _mm_shuffle_ps(pair, pair, _MM_SHUFFLE(1, 1, 1, 1))));
    }
};
}  // namespace

void renderLanesAvx2(VoiceLaneState& lanes, const LaneParameters& parameters, const float (*crossfade)[2],
                     int count, int vectors) {
    renderLanes<Avx2>(lanes, parameters, crossfade, count, vectors);
}
