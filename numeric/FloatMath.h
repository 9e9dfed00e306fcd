// Float helpers shared by the engine and the effects. All arithmetic is float32 unless stated;
// conversions to integers truncate toward zero.
#pragma once

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

// Truncation toward zero that stays defined for NaN, infinities and values beyond the int32
// range (the processor's "integer indefinite" value, INT32_MIN, comes back for those). In range it
// is exactly a C++ cast.
inline int32_t truncToInt(float x) { return _mm_cvttss_si32(_mm_set_ss(x)); }
inline int32_t truncToInt(double x) { return _mm_cvttsd_si32(_mm_set_sd(x)); }

// 2 to the power x, built on the float format: 2^n * (1 + p(f)) with n = floor(x), f = x - n and a
// cubic p with p(0) = 0 and p(1) = 1. Exact at integers; about 1e-4 relative error elsewhere.
inline float fastExp2(float x) {
    const float shift = x < 0.0f ? -8388608.0f : 8388608.0f;  // 2^23 with the sign of x
    float n = (x + shift) - shift;                            // x rounded to an integer
    if (n > x) n -= 1.0f;                                     // floor
    const float f = x - n;
    const float p = ((0.079f * f + 0.225f) * f + 0.696f) * f;
    const float bitsAsFloat = static_cast<float>((static_cast<double>(n) + p) * 8388608.0 + 1065353216.0);
    const int32_t bits = truncToInt(bitsAsFloat);
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}
