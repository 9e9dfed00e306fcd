// The lane sample loop four voices at a time: the baseline every x86 processor we support has.
#include <emmintrin.h>
#include <xmmintrin.h>

#include "engine/VoiceLanesKernel.h"

namespace {
struct Sse2 {
    static constexpr int kWidth = 4;
    using F = __m128;
    using I = __m128i;

    static F load(const float* p) { return _mm_load_ps(p); }
    static void store(float* p, F v) { _mm_store_ps(p, v); }
    static F splat(float x) { return _mm_set1_ps(x); }
    static F zero() { return _mm_setzero_ps(); }
    static F add(F a, F b) { return _mm_add_ps(a, b); }
    static F sub(F a, F b) { return _mm_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F loadUnaligned(const float* p) { return _mm_loadu_ps(p); }
    static void storeUnaligned(float* p, F v) { _mm_storeu_ps(p, v); }
    static void transpose(F* rows) { _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]); }

    static F maskOf(I mask) { return _mm_castsi128_ps(mask); }
    static F masked(F v, F mask) { return _mm_and_ps(v, mask); }
    static F both(F a, F b) { return _mm_and_ps(a, b); }
    static F either(F a, F b) { return _mm_or_ps(a, b); }
    static F select(F mask, F whenTrue, F whenFalse) {
        return _mm_or_ps(_mm_and_ps(mask, whenTrue), _mm_andnot_ps(mask, whenFalse));
    }
    static I selectInt(F mask, I whenTrue, I whenFalse) {
        const I m = _mm_castps_si128(mask);
        return _mm_or_si128(_mm_and_si128(m, whenTrue), _mm_andnot_si128(m, whenFalse));
    }
    static bool allOf(F mask) { return _mm_movemask_ps(mask) == 0xF; }
    static bool noneOf(F mask) { return _mm_movemask_ps(mask) == 0; }
    static F sameBits(F a, F b) {
        return _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_castps_si128(a), _mm_castps_si128(b)));
    }
    static F atLeast(F a, F b) { return _mm_cmpge_ps(a, b); }
    static F atMost(F a, F b) { return _mm_cmple_ps(a, b); }
    static F above(F a, F b) { return _mm_cmpgt_ps(a, b); }
    static F equalTo(I a, int32_t b) { return _mm_castsi128_ps(_mm_cmpeq_epi32(a, _mm_set1_epi32(b))); }

    static I loadInt(const int32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static void storeInt(int32_t* p, I v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }
    static I splatInt(int32_t x) { return _mm_set1_epi32(x); }
    static I addInt(I a, I b) { return _mm_add_epi32(a, b); }
    static I andInt(I a, I b) { return _mm_and_si128(a, b); }
    static I truncate(F v) { return _mm_cvttps_epi32(v); }
    static I tableIndex(I phase) {
        return _mm_and_si128(_mm_srli_epi32(phase, kPhaseToIndexShift), _mm_set1_epi32(kTableIndexMask));
    }

    // Table reads are scalar: the indices go through memory, one load per lane.
    static F tableEntries(const float* table, I index) {
        alignas(16) uint32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
        return _mm_setr_ps(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
    }
    static F tableEntriesPartly(const float* table, I index, int lanes) {
        if (lanes > 1) return tableEntries(table, index);
        return _mm_set_ss(table[static_cast<uint32_t>(_mm_cvtsi128_si32(index))]);
    }
};
}  // namespace

void renderLanesSse2(VoiceLaneState& lanes, DiagonalLaneState& diagonal, const LaneParameters& parameters,
                     const float* sine, float* out, int count, int vectors) {
    renderLanes<Sse2>(lanes, diagonal, parameters, sine, out, count, vectors);
}
