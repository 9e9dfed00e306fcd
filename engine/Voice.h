// One note of the synthesiser: five table oscillators ("operators") in phase modulation, under the
// numeric contract of NumericContract.h.
#pragma once

#include <cstdint>

#include "engine/Envelope.h"
#include "engine/NumericContract.h"
#include "engine/WaveTables.h"

enum Route : int32_t { RouteNext = 0, RouteM = 1, RouteOut = 2 };

class Voice {
public:
    static constexpr int kOperatorCount = ::kOperatorCount;  // 1, 2, 3, 4, m
    static constexpr int kOperatorM = ::kOperatorM;          // slot of operator m in phase arrays
    static constexpr int kEnvelopeM = ::kEnvelopeM;          // envelopes are stored m, 1, 2, 3, 4

    Voice(const float* params, const WaveTables* tables);

    void startNote(int note, float velocity);
    // Adds count samples into out; scratch (count floats) is overwritten. This is the algorithm one
    // voice and one sample at a time, kept as the reference that the engine's lane renderer
    // (VoiceLanes.h) must match bit for bit.
    void renderReference(float* scratch, float* out, int count);
    void setPitchBend(float value);
    void applyParameter(int index);

    void release();       // the note's key was let go
    void stealRelease();  // reserved for the next note: fade at envelope m's release rate

    uint16_t phase[kOperatorCount] = {};
    uint16_t phaseInc[kOperatorCount] = {};
    uint16_t lfoPhase = 0;
    uint16_t lfoInc = 0;
    float bendRatio = 1.0f;
    float modWheel = 0.0f;
    float velocityGain = 0.0f;
    float sampleRate = 44100.0f;  // the host rate, not the doubled one
    bool active = false;
    bool released = false;
    bool startPending = false;
    int32_t note = 0;
    Envelope env[kOperatorCount];  // m, 1, 2, 3, 4
    const float* params;
    const WaveTables* tables;
    Route dest[4] = {RouteM, RouteM, RouteM, RouteM};
    float lastOut[kOperatorCount] = {};

private:
    void applyEnvelopeTimes(int envelope);
    void applyRoute(int op);
    void applyLfoRate();
    int noteTableIndex(int octaveSetting) const;
};

// Frequency ratio of a pitch bend of `value` (-1..1) with the bend-range parameter `range` (0..1).
float bendRatioFor(float range, float value);
