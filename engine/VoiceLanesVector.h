// The vector type V that the lanes' code is written for, once for any width, and SingleLane, its
// instance of one float. VoiceLanesSse2.cpp and VoiceLanesAvx2.cpp each supply a V:
//   V::F, V::I            float and int32 vectors of V::kWidth lanes
//   load, store, splat, zero, add, sub, mul   float arithmetic, lane by lane
//   loadUnaligned, storeUnaligned, transpose (a square of kWidth vectors)
//   masked, select, both, either, allOf, noneOf, sameBits   lane masks (all ones or all zeros)
//   atLeast, atMost, above, equalTo           comparisons giving masks, false for NaN
//   loadInt, storeInt, splatInt, addInt, andInt, truncate (cvttps2dq), tableIndex ((x >> 4) & 4095)
//   tableEntries (one table entry per lane, read lane by lane), tableEntriesPartly (the same for the
//   first few lanes, zeros in the others)
//   and the float operators * and + lane by lane, for the formulas of NumericContract.h
//
// This file and the other VoiceLanes*.h files of the sample loop (VoiceLanesKernel.h includes them
// all) are included only by those two files. Everything in them has internal linkage, so each
// instruction set keeps its own copy.
#pragma once

#include <xmmintrin.h>

#include "engine/VoiceLanes.h"

namespace {
// The per-lane-group bodies must melt into the sample loop so that their state stays in registers.
#define LANE_INLINE __attribute__((always_inline)) inline

// A single lane, for a voice left over after the whole vectors: the same operations on one float.
struct SingleLane {
    static constexpr int kWidth = 1;
    using F = float;
    using I = int32_t;

    static F load(const float* p) { return *p; }
    static void store(float* p, F v) { *p = v; }
    static F splat(float x) { return x; }
    static F zero() { return 0.0f; }
    static F add(F a, F b) { return a + b; }
    static F mul(F a, F b) { return a * b; }
    static F maskOf(I mask) {
        F bits;
        __builtin_memcpy(&bits, &mask, sizeof bits);
        return bits;
    }
    static F masked(F v, F mask) {
        uint32_t a, b;
        __builtin_memcpy(&a, &v, sizeof a);
        __builtin_memcpy(&b, &mask, sizeof b);
        a &= b;
        __builtin_memcpy(&v, &a, sizeof v);
        return v;
    }
    static I loadInt(const int32_t* p) { return *p; }
    static void storeInt(int32_t* p, I v) { *p = v; }
    static I addInt(I a, I b) { return static_cast<I>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
    static I truncate(F v) { return _mm_cvtt_ss2si(_mm_set_ss(v)); }  // INT32_MIN out of range, as cvttps2dq
    static I tableIndex(I phase) {
        return static_cast<I>((static_cast<uint32_t>(phase) >> kPhaseToIndexShift) & kTableIndexMask);
    }
    static F tableEntries(const float* table, I index) { return table[index]; }
    static F tableEntriesPartly(const float* table, I index, int) { return table[index]; }
};
}  // namespace
