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
    static F loadUnaligned(const float* p) { return _mm256_loadu_ps(p); }
    static I loadIntUnaligned(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static float first(F v) { return _mm256_cvtss_f32(v); }
    // Lane k takes lane k + 1; the last lane takes 0. A swap of the halves and a byte shift within
    // each half: a cross-lane permute would take twice as long on the lone voice's chain.
    static F shiftDown(F v) {
        const __m256i upperHalf = _mm256_castps_si256(_mm256_permute2f128_ps(v, v, 0x81));  // zero above
        return _mm256_castsi256_ps(_mm256_alignr_epi8(upperHalf, _mm256_castps_si256(v), 4));
    }
    static void storeUnaligned(float* p, F v) { _mm256_storeu_ps(p, v); }
    static void transpose(F* r) {
        const F t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
        const F t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
        const F t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
        const F t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
        const F u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        const F u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        const F u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const F u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
        const F u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
        const F u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
        const F u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
        const F u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
        r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
        r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
        r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
        r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
        r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
        r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
        r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
        r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
    }

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
    static F sameBits(F a, F b) {
        return _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_castps_si256(a), _mm256_castps_si256(b)));
    }
    static F atLeast(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
    static F atMost(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
    static F above(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static F equalTo(I a, int32_t b) { return _mm256_castsi256_ps(_mm256_cmpeq_epi32(a, _mm256_set1_epi32(b))); }

    static I loadInt(const int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static void storeInt(int32_t* p, I v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }
    static I splatInt(int32_t x) { return _mm256_set1_epi32(x); }
    static I addInt(I a, I b) { return _mm256_add_epi32(a, b); }
    static I andInt(I a, I b) { return _mm256_and_si256(a, b); }
    static I truncate(F v) { return _mm256_cvttps_epi32(v); }
    static I tableIndex(I phase) {
        const I shifted = _mm256_srli_epi32(phase, kPhaseToIndexShift);
        return _mm256_and_si256(shifted, _mm256_set1_epi32(kTableIndexMask));
    }

    // Table reads are scalar, one load per lane; on x86-64 the indices leave the vector two at a
    // time, which halves the moves from vector to integer registers.
    static __m128 fourEntries(const float* table, __m128i index) {
#if defined(__x86_64__)
        const uint64_t low = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
        const uint64_t high = static_cast<uint64_t>(_mm_extract_epi64(index, 1));
        return _mm_setr_ps(table[static_cast<uint32_t>(low)], table[low >> 32], table[static_cast<uint32_t>(high)],
                           table[high >> 32]);
#else
        alignas(16) uint32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
        return _mm_setr_ps(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
#endif
    }
    static F tableEntries(const float* table, I index) {
        return _mm256_set_m128(fourEntries(table, _mm256_extracti128_si256(index, 1)),
                               fourEntries(table, _mm256_castsi256_si128(index)));
    }
    // Lanes 0 to 4, each reading at its own index; the other lanes are zero.
    static F fiveEntries(const float* table, I index) {
        const __m128 fifth = _mm_load_ss(&table[static_cast<uint32_t>(_mm256_extract_epi32(index, 4))]);
        return _mm256_set_m128(fifth, fourEntries(table, _mm256_castsi256_si128(index)));
    }
    static F tableEntriesPartly(const float* table, I index, int lanes) {
        if (lanes > 4) return tableEntries(table, index);
        if (lanes > 1) return _mm256_zextps128_ps256(fourEntries(table, _mm256_castsi256_si128(index)));
        return _mm256_zextps128_ps256(_mm_set_ss(table[static_cast<uint32_t>(_mm256_cvtsi256_si32(index))]));
    }
};
}  // namespace

void renderLanesAvx2(VoiceLaneState& lanes, DiagonalLaneState& diagonal, const LaneParameters& parameters,
                     const float* sine, float* out, int count, int vectors) {
    renderLanes<Avx2>(lanes, diagonal, parameters, sine, out, count, vectors);
}
