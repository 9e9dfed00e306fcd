#include "engine/Voice.h"

#include <initializer_list>

#include "numeric/FloatMath.h"
#include "engine/ParameterIndex.h"

namespace {
constexpr float kOneTwelfth = 0.083333336f;

// Envelope parameter block (A, D, S, R) of each envelope slot m, 1, 2, 3, 4.
constexpr int kEnvelopeAttackIndex[Voice::kOperatorCount] = {param::Am, param::A1, param::A2, param::A3, param::A4};
constexpr int kRouteIndex[4] = {param::RTE1, param::RTE2, param::RTE3, param::RTE4};

// Table index of a modulated phase; the sum wraps modulo one cycle whatever the modulation's size.
inline int phaseIndex(int32_t modulation, uint16_t phase) {
    return static_cast<int>(((static_cast<uint32_t>(modulation) + phase) & kPhaseMask) >> kPhaseToIndexShift);
}

int octaveOf(float setting) { return truncToInt(setting * 6.0f); }
}  // namespace

float bendRatioFor(float range, float value) {
    const int semitones = truncToInt(range * 12.0f);
    return fastExp2(semitones * kOneTwelfth * value);
}

Voice::Voice(const float* params, const WaveTables* tables) : params(params), tables(tables) {
    setPitchBend(0.0f);
    Envelope& voiceEnvelope = env[kEnvelopeM];
    voiceEnvelope.attackRate = 5.668934e-06f;
    voiceEnvelope.decayRate = 5.668934e-06f;
    voiceEnvelope.releaseRate = 5.668934e-06f;
    voiceEnvelope.sustainLevel = 0.5f;
}

void Voice::setPitchBend(float value) { bendRatio = bendRatioFor(params[param::PBR], value); }

void Voice::release() {
    released = true;
    for (Envelope& e : env) e.state = Release;
}

void Voice::stealRelease() {
    released = true;
    env[kEnvelopeM].state = StealRelease;
}

// Notes outside the table (very low notes at low octaves, very high ones at high octaves) play
// its nearest entry; the voice keeps its own note number so the note-off still finds it.
int Voice::noteTableIndex(int octave) const {
    int64_t index = note + int64_t{12} * octave;  // an absurd octave setting must not overflow
    if (index < 0) index = 0;
    if (index > kNoteTableSize - 1) index = kNoteTableSize - 1;
    return static_cast<int>(index);
}

void Voice::startNote(int newNote, float velocity) {
    note = newNote;
    float frequency[kOperatorCount];
    for (int op = 0; op < 4; ++op) {
        const float* section = params + param::operatorBase(op);
        const float ratio = fastExp2((section[param::FIN] - 0.5f) * 2.0f);
        frequency[op] = tables->noteFrequency[noteTableIndex(octaveOf(section[param::OCT]))] * ratio;
    }
    frequency[kOperatorM] = tables->noteFrequency[noteTableIndex(octaveOf(params[param::OCTm]))];
    for (int op = 0; op < kOperatorCount; ++op) {
        phaseInc[op] = static_cast<uint16_t>(truncToInt(kPhaseUnits / (sampleRate / frequency[op])));
        phase[op] = 0;
        lastOut[op] = 0.0f;
    }
    lfoPhase = 0;
    active = true;
    released = false;
    startPending = false;
    velocityGain = velocity * velocity;
    for (Envelope& e : env) e.start();
}

void Voice::renderReference(float* scratch, float* out, int count) {
    if (!active || count < 1) return;
    const float* p = params;
    const float* sine = tables->sine;
    const float* harmonic = tables->harmonic;

    const float lfoDepth = lfoDepthFor(modWheel, p[param::LFO_MOD]);
    bool on[4];
    float level[kOperatorCount];
    int32_t inc[kOperatorCount];
    for (int op = 0; op < 4; ++op) {
        const float* section = p + param::operatorBase(op);
        const float lvl = section[param::LVL];
        on[op] = lvl > kOperatorOnThreshold;
        level[op] = levelWithVelocity(lvl, velocityGain, section[param::VEL]);
    }
    level[kOperatorM] = levelWithVelocity(p[param::LVLm], velocityGain, p[param::VELm]);
    for (int op = 0; op < kOperatorCount; ++op) inc[op] = truncToInt(phaseInc[op] * bendRatio);

    for (int i = 0; i < count; ++i) {
        float bus[3] = {0.0f, 0.0f, 0.0f};  // Next, M, Out

        const float lfoValue = sine[lfoPhase >> kPhaseToIndexShift] * lfoDepth;
        lfoPhase = static_cast<uint16_t>(lfoPhase + lfoInc);

        const float pitchDepth = p[param::LFO_PCH];
        if (pitchDepth > kLfoPitchThreshold) {
            const float pm = pitchFactor(pitchDepth * lfoValue);
            // Unsigned sums: an increment near 2^31 (absurd bend ranges) wraps like any other.
            for (int op = 0; op < kOperatorCount; ++op)
                phase[op] =
                    static_cast<uint16_t>(phase[op] + static_cast<uint32_t>(truncToInt(inc[op] * pm)));
        } else {
            for (int op = 0; op < kOperatorCount; ++op)
                phase[op] = static_cast<uint16_t>(phase[op] + static_cast<uint32_t>(inc[op]));
        }

        for (int op = 0; op < 4; ++op) {
            if (!on[op]) continue;
            const float* section = p + param::operatorBase(op);
            // The Next bus is still 0 when operator 1 reads it, so all four read it alike; operator 4
            // leaves it as it is, having no next operator to protect.
            const int32_t modulation = truncToInt(section[param::FEB] * lastOut[op] + bus[RouteNext]);
            if (op < 3) bus[RouteNext] = 0.0f;
            const int index = phaseIndex(modulation, phase[op]);
            const float s = sine[index];
            const float w = (harmonic[index] - s) * section[param::WAV] + s;
            const float e = env[op + 1].next();
            const float y = (section[param::LFO] * lfoValue + level[op]) * e * w * kPhaseUnits;
            lastOut[op] = y;
            bus[dest[op]] += y;
        }

        const int32_t modulation = truncToInt(p[param::FEBm] * lastOut[kOperatorM] + bus[RouteM]);
        const int index = phaseIndex(modulation, phase[kOperatorM]);
        const float s = sine[index];
        const float w = (harmonic[index] - s) * p[param::WAVm] + s;
        const float y = w * (p[param::LFOm] * lfoValue + level[kOperatorM]);
        scratch[i] = y;
        lastOut[kOperatorM] = y * kPhaseUnits;
        scratch[i] = bus[RouteOut] * kBusOutScale + scratch[i];
    }

    env[kEnvelopeM].applyToBlock(scratch, count, level[kOperatorM]);
    for (int i = 0; i < count; ++i) out[i] += scratch[i];
    active = env[kEnvelopeM].state != Idle;
}

void Voice::applyEnvelopeTimes(int envelope) {
    const int a = kEnvelopeAttackIndex[envelope];
    const float attack = params[a], decay = params[a + 1], sustain = params[a + 2], release = params[a + 3];
    env[envelope].setTimes(sampleRate, attack * attack, decay * decay, sustain, release * release);
}

void Voice::applyRoute(int op) {
    const int position = truncToInt(params[kRouteIndex[op]] * 2.0f + 0.1f);
    const bool last = op == 3;  // operator 4 has no next operator
    switch (position) {
        case 0: dest[op] = last ? RouteM : RouteNext; break;
        case 1: dest[op] = RouteM; break;
        case 2: dest[op] = RouteOut; break;
        default: break;
    }
}

void Voice::applyLfoRate() {
    lfoInc = static_cast<uint16_t>(truncToInt(kPhaseUnits / (sampleRate / (params[param::LFO_SPD] * 10.0f))));
}

void Voice::applyParameter(int index) {
    switch (index) {
        case param::A1: case param::D1: case param::S1: case param::R1: applyEnvelopeTimes(1); break;
        case param::A2: case param::D2: case param::S2: case param::R2: applyEnvelopeTimes(2); break;
        case param::A3: case param::D3: case param::S3: case param::R3: applyEnvelopeTimes(3); break;
        case param::A4: case param::D4: case param::S4: case param::R4: applyEnvelopeTimes(4); break;
        case param::Am: case param::Dm: case param::Sm: case param::Rm: applyEnvelopeTimes(kEnvelopeM); break;
        case param::RTE1: applyRoute(0); break;
        case param::RTE2: applyRoute(1); break;
        case param::RTE3: applyRoute(2); break;
        case param::RTE4: applyRoute(3); break;
        case param::LFO_SPD: applyLfoRate(); break;
        case param::RecomputeAll:
            for (int envelope : {1, 2, 3, 4, kEnvelopeM}) applyEnvelopeTimes(envelope);
            for (int op = 0; op < 4; ++op) applyRoute(op);
            applyLfoRate();
            break;
        default: break;
    }
}
