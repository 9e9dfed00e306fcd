// WebAssembly has no AVX2: the engine's run-time choice always falls on the SSE2 loops, which the
// module runs on SIMD128. The AVX2 entry points exist only to satisfy the links to them.
#include "engine/HalfBandFilter.h"
#include "engine/ProcessorFeatures.h"
#include "engine/VoiceLanes.h"

bool processorHasAvx2() { return false; }

void renderLanesAvx2(VoiceLaneState& lanes, DiagonalLaneState& diagonal, const LaneParameters& parameters,
                     const float* sine, float* out, int count, int vectors) {
    renderLanesSse2(lanes, diagonal, parameters, sine, out, count, vectors);
}

int filterPairsAvx2(AllpassCascade& branchA, AllpassCascade& branchB, double& previousB, float* buffer,
                    int count) {
    return filterPairsSse2(branchA, branchB, previousB, buffer, count);
}
