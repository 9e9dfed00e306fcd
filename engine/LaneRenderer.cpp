#include "engine/LaneRenderer.h"

#include <emmintrin.h>

#include <algorithm>

#include "engine/FloatMath.h"
#include "engine/ParameterIndex.h"

static_assert(kLaneOperators == Voice::kOperatorCount, "lane slots mirror the voice's operators");
static_assert(kLaneCapacity % 8 == 0, "whole vectors of the widest instruction set");
static_assert(int{LaneRouteNext} == int{RouteNext} && int{LaneRouteM} == int{RouteM} && int{LaneRouteOut} == int{RouteOut},
              "the lanes number the buses as the voice does");

namespace {
constexpr float kOperatorOnThreshold = 0.001f;
constexpr float kLfoPitchThreshold = 0.001f;
constexpr float kLfoFullDepth = 0.45f;
constexpr int kSse2Width = 4;
constexpr int kAvx2Width = 8;

bool isKnownState(int32_t state) { return state >= Idle && state <= StealRelease; }
bool isKnownRoute(int32_t route) { return route >= RouteNext && route <= RouteOut; }

int vectorsFor(int lanes, int width) { return (lanes + width - 1) / width; }

__m128 select(__m128 mask, __m128 whenTrue, __m128 whenFalse) {
    return _mm_or_ps(_mm_and_ps(mask, whenTrue), _mm_andnot_ps(mask, whenFalse));
}
__m128i selectInt(__m128i mask, __m128i whenTrue, __m128i whenFalse) {
    return _mm_or_si128(_mm_and_si128(mask, whenTrue), _mm_andnot_si128(mask, whenFalse));
}
__m128 isState(__m128i state, EnvelopeState which) {
    return _mm_castsi128_ps(_mm_cmpeq_epi32(state, _mm_set1_epi32(which)));
}
}  // namespace

bool processorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

LaneRenderer::LaneRenderer() : lanes(new VoiceLaneState()) {
    use(InstructionSet::Avx2);
}

LaneRenderer::~LaneRenderer() = default;

bool LaneRenderer::supports(InstructionSet which) {
    static const bool hasAvx2 = processorHasAvx2();
    return which == InstructionSet::Sse2 || hasAvx2;
}

void LaneRenderer::use(InstructionSet which) {
    if (supports(which)) set = which;
}

// Copies the active voices into lanes and the parameters into `parameters`; returns the number of
// occupied lanes, or -1 if some voice holds a state the lanes do not model (an envelope state or a
// route outside its enumeration, which only a direct write could leave).
int LaneRenderer::loadLanes(Voice* const* voices, int voiceCount, const float* params, LaneParameters& parameters) {
    VoiceLaneState& s = *lanes;
    laneCount = 0;
    for (int v = 0; v < voiceCount && laneCount < kLaneCapacity; ++v) {
        const Voice& voice = *voices[v];
        if (!voice.active) continue;
        for (const Envelope& e : voice.env)
            if (!isKnownState(e.state)) return -1;
        for (Route route : voice.dest)
            if (!isKnownRoute(route)) return -1;
        laneVoice[laneCount++] = v;
    }
    if (laneCount == 0) return 0;

    float lvl[kLaneOperators], vel[kLaneOperators];
    for (int op = 0; op < 4; ++op) {
        const float* section = params + param::operatorBase(op);
        lvl[op] = section[param::LVL];
        vel[op] = section[param::VEL];
        parameters.operatorOn[op] = lvl[op] > kOperatorOnThreshold;
        parameters.feedback[op] = section[param::FEB];
        parameters.waveform[op] = section[param::WAV];
        parameters.lfoAmount[op] = section[param::LFO];
    }
    const int m = Voice::kOperatorM;
    lvl[m] = params[param::LVLm];
    vel[m] = params[param::VELm];
    parameters.feedback[m] = params[param::FEBm];
    parameters.waveform[m] = params[param::WAVm];
    parameters.lfoAmount[m] = params[param::LFOm];
    parameters.pitchDepth = params[param::LFO_PCH];
    parameters.pitchModulated = parameters.pitchDepth > kLfoPitchThreshold;
    const float lfoModulation = params[param::LFO_MOD];

    for (int lane = 0; lane < kLaneCapacity; ++lane) {
        if (lane >= laneCount) {  // padding: silent, and its envelopes never move
            for (int op = 0; op < kLaneOperators; ++op) {
                s.phase[op][lane] = s.increment[op][lane] = 0;
                s.incrementAsFloat[op][lane] = s.lastOut[op][lane] = s.level[op][lane] = 0.0f;
                s.envelopeState[op][lane] = Idle;
                s.envelopeLevel[op][lane] = s.attackRate[op][lane] = s.decayRate[op][lane] = 0.0f;
                s.sustainLevel[op][lane] = s.releaseRate[op][lane] = 0.0f;
            }
            for (auto& routes : s.routeMask)
                for (auto& mask : routes) mask[lane] = 0;
            s.lfoPhase[lane] = s.lfoIncrement[lane] = 0;
            s.lfoDepth[lane] = 0.0f;
            continue;
        }
        const Voice& voice = *voices[laneVoice[lane]];
        for (int op = 0; op < kLaneOperators; ++op) {
            const int32_t increment = truncToInt(voice.phaseInc[op] * voice.bendRatio);
            s.phase[op][lane] = voice.phase[op];
            s.increment[op][lane] = increment;
            s.incrementAsFloat[op][lane] = static_cast<float>(increment);
            s.lastOut[op][lane] = voice.lastOut[op];
            s.level[op][lane] = lvl[op] + (voice.velocityGain * lvl[op] - lvl[op]) * vel[op];
            const Envelope& e = voice.env[op];
            s.envelopeState[op][lane] = e.state;
            s.envelopeLevel[op][lane] = e.level;
            s.attackRate[op][lane] = e.attackRate;
            s.decayRate[op][lane] = e.decayRate;
            s.sustainLevel[op][lane] = e.sustainLevel;
            s.releaseRate[op][lane] = e.releaseRate;
        }
        for (int op = 0; op < 4; ++op) {
            for (int route = 0; route < LaneRouteCount; ++route)
                s.routeMask[op][route][lane] = voice.dest[op] == route ? -1 : 0;
            if (lane == 0) parameters.uniformRoute[op] = voice.dest[op];
            if (parameters.uniformRoute[op] != voice.dest[op]) parameters.uniformRoute[op] = -1;
        }
        s.lfoPhase[lane] = voice.lfoPhase;
        s.lfoIncrement[lane] = voice.lfoInc;
        s.lfoDepth[lane] = ((voice.modWheel - 1.0f) * lfoModulation + 1.0f) * kLfoFullDepth;
    }
    return laneCount;
}

// Envelope::next for four lanes at a time, count samples, each level kept for the sample loop.
void LaneRenderer::stepEnvelopes(int slot, int count) {
    VoiceLaneState& s = *lanes;
    for (int lane = 0; lane < vectorsFor(laneCount, kSse2Width) * kSse2Width; lane += kSse2Width) {
        __m128i state = _mm_load_si128(reinterpret_cast<const __m128i*>(&s.envelopeState[slot][lane]));
        __m128 level = _mm_load_ps(&s.envelopeLevel[slot][lane]);
        const __m128 sustainLevel = _mm_load_ps(&s.sustainLevel[slot][lane]);
        const __m128 sustaining = isState(state, Sustain);
        const __m128 idle = isState(state, Idle);

        if (_mm_movemask_ps(_mm_or_ps(sustaining, idle)) == 0xF) {
            // Held and finished envelopes stay as they are: one level for the whole chunk.
            level = _mm_and_ps(sustaining, sustainLevel);
            for (int i = 0; i < count; ++i) _mm_store_ps(&s.envelopeLevels[slot][i][lane], level);
            _mm_store_ps(&s.envelopeLevel[slot][lane], level);
            continue;
        }

        const __m128 attackRate = _mm_load_ps(&s.attackRate[slot][lane]);
        const __m128 decayRate = _mm_load_ps(&s.decayRate[slot][lane]);
        const __m128 releaseRate = _mm_load_ps(&s.releaseRate[slot][lane]);
        const __m128 one = _mm_set1_ps(1.0f);
        const __m128 zero = _mm_setzero_ps();
        for (int i = 0; i < count; ++i) {
            const __m128 attacking = isState(state, Attack);
            const __m128 decaying = isState(state, Decay);
            const __m128 holding = isState(state, Sustain);
            const __m128 releasing = _mm_or_ps(isState(state, Release), isState(state, StealRelease));

            const __m128 up = _mm_add_ps(level, attackRate);
            const __m128 down = _mm_sub_ps(level, select(decaying, decayRate, releaseRate));
            const __m128 attackEnds = _mm_and_ps(attacking, _mm_cmpge_ps(up, one));
            const __m128 decayEnds = _mm_and_ps(decaying, _mm_cmpge_ps(sustainLevel, down));
            const __m128 releaseEnds = _mm_and_ps(releasing, _mm_cmple_ps(down, zero));

            level = select(attacking, select(attackEnds, one, up),
                           select(decaying, select(decayEnds, sustainLevel, down),
                                  select(holding, sustainLevel,
                                         select(releasing, _mm_andnot_ps(releaseEnds, down), zero))));
            state = selectInt(_mm_castps_si128(attackEnds), _mm_set1_epi32(Decay), state);
            state = selectInt(_mm_castps_si128(decayEnds), _mm_set1_epi32(Sustain), state);
            state = selectInt(_mm_castps_si128(releaseEnds), _mm_set1_epi32(Idle), state);
            _mm_store_ps(&s.envelopeLevels[slot][i][lane], level);
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(&s.envelopeState[slot][lane]), state);
        _mm_store_ps(&s.envelopeLevel[slot][lane], level);
    }
}

// Adds the chunk's lanes into the mix one voice after another, as the voices would one by one.
void LaneRenderer::mixInto(float* out, int count) const {
    const VoiceLaneState& s = *lanes;
    for (int i = 0; i < count; ++i) {
        float sum = out[i];
        for (int lane = 0; lane < laneCount; ++lane) sum += s.output[i][lane];
        out[i] = sum;
    }
}

void LaneRenderer::storeLanes(Voice* const* voices) const {
    const VoiceLaneState& s = *lanes;
    for (int lane = 0; lane < laneCount; ++lane) {
        Voice& voice = *voices[laneVoice[lane]];
        for (int op = 0; op < kLaneOperators; ++op) {
            voice.phase[op] = static_cast<uint16_t>(s.phase[op][lane]);
            voice.lastOut[op] = s.lastOut[op][lane];
            voice.env[op].state = static_cast<EnvelopeState>(s.envelopeState[op][lane]);
            voice.env[op].level = s.envelopeLevel[op][lane];
        }
        voice.lfoPhase = static_cast<uint16_t>(s.lfoPhase[lane]);
        voice.active = voice.env[Voice::kEnvelopeM].state != Idle;
    }
}

void LaneRenderer::render(Voice* const* voices, int voiceCount, const float* params, const WaveTables& tables,
                          float* scratch, float* out, int count) {
    if (count < 1) return;
    LaneParameters parameters;
    const int occupied = loadLanes(voices, voiceCount, params, parameters);
    if (occupied == 0) return;
    if (occupied < 0) {
        for (int v = 0; v < voiceCount; ++v) voices[v]->renderReference(scratch, out, count);
        return;
    }

    const bool wide = set == InstructionSet::Avx2;
    const int vectors = vectorsFor(laneCount, wide ? kAvx2Width : kSse2Width);
    for (int start = 0; start < count; start += kLaneChunk) {
        const int chunk = std::min(kLaneChunk, count - start);
        stepEnvelopes(Voice::kEnvelopeM, chunk);
        for (int op = 0; op < 4; ++op)
            if (parameters.operatorOn[op]) stepEnvelopes(op + 1, chunk);
        if (wide)
            renderLanesAvx2(*lanes, parameters, tables.crossfade, chunk, vectors);
        else
            renderLanesSse2(*lanes, parameters, tables.crossfade, chunk, vectors);
        mixInto(out + start, chunk);
    }
    storeLanes(voices);
}
