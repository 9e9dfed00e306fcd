// emscripten's SSE headers, with the float-to-integer truncations the engine uses made fast: the
// originals go through lrint one lane at a time. The results are the processor's, lane for lane:
// truncation toward zero, and INT32_MIN (the "integer indefinite" value) for NaN and for values
// outside the int32 range.
#pragma once

#include_next <xmmintrin.h>

#include <stdint.h>
#include <wasm_simd128.h>

static __inline__ int __attribute__((__always_inline__, __nodebug__)) calyx2_cvttss_si32(__m128 a) {
    const float x = wasm_f32x4_extract_lane((v128_t)a, 0);
    return x >= -2147483648.0f && x < 2147483648.0f ? (int)x : INT32_MIN;
}
#undef _mm_cvtt_ss2si
#define _mm_cvttss_si32 calyx2_cvttss_si32
#define _mm_cvtt_ss2si calyx2_cvttss_si32
