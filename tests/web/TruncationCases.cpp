// The float-to-integer truncations the engine uses, on the values where the processor's answers
// are particular (halves, the int32 limits, beyond them, infinities, NaN). Linked into the native
// reference renderer and built as a small WebAssembly module of its own, whose answers must agree.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>

extern "C" int truncation_cases(int32_t* out) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float floats[] = {0.0f, -0.0f, 0.5f, -0.5f, 1.5f, -1.5f, 8388607.5f, -8388607.5f, 2147483520.0f,
                            2147483648.0f, -2147483648.0f, -2147483904.0f, 3e9f, -3e9f, INFINITY, -INFINITY,
                            nan, -nan, 1e-40f};
    const double doubles[] = {0.0, -0.9, 2147483647.9, 2147483648.0, -2147483648.9, -2147483649.0, 1e300,
                              -INFINITY, static_cast<double>(nan)};
    int n = 0;
    for (float x : floats) {
        out[n++] = _mm_cvttss_si32(_mm_set_ss(x));
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_cvttps_epi32(_mm_set_ps(x, -x, x * 0.5f, x + 1.0f)));
        for (int32_t lane : lanes) out[n++] = lane;
    }
    for (double x : doubles) out[n++] = _mm_cvttsd_si32(_mm_set_sd(x));
    return n;
}
