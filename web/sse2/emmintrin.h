// emscripten's SSE2 header, with fast truncations that give the processor's results (see
// xmmintrin.h beside this file).
#pragma once

#include_next <emmintrin.h>

#include "xmmintrin.h"

static __inline__ __m128i __attribute__((__always_inline__, __nodebug__)) calyx2_cvttps_epi32(__m128 a) {
    const v128_t inRange = wasm_v128_and(wasm_f32x4_ge((v128_t)a, wasm_f32x4_splat(-2147483648.0f)),
                                         wasm_f32x4_lt((v128_t)a, wasm_f32x4_splat(2147483648.0f)));
    return (__m128i)wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4((v128_t)a), wasm_i32x4_splat(INT32_MIN), inRange);
}
#define _mm_cvttps_epi32 calyx2_cvttps_epi32

static __inline__ int __attribute__((__always_inline__, __nodebug__)) calyx2_cvttsd_si32(__m128d a) {
    const double x = wasm_f64x2_extract_lane((v128_t)a, 0);
    return x > -2147483649.0 && x < 2147483648.0 ? (int)x : INT32_MIN;
}
#define _mm_cvttsd_si32 calyx2_cvttsd_si32
