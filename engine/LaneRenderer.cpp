#include "engine/LaneRenderer.h"

#include <algorithm>
#include <cstring>

#include "engine/NumericContract.h"
#include "engine/ParameterIndex.h"
#include "engine/ProcessorFeatures.h"
#include "numeric/FloatMath.h"

static_assert(kLaneCapacity % 8 == 0, "whole vectors of the widest instruction set");
static_assert(int{LaneRouteNext} == int{RouteNext} && int{LaneRouteM} == int{RouteM} && int{LaneRouteOut} == int{RouteOut},
              "the lanes number the buses as the voice does");
static_assert(kIdle == Idle && kAttack == Attack && kDecay == Decay && kSustain == Sustain && kRelease == Release &&
                  kStealRelease == StealRelease,
              "the lanes number the envelope states as the envelope does");

namespace {
constexpr int kSse2Width = 4;
constexpr int kAvx2Width = 8;

bool isKnownState(int32_t state) { return state >= Idle && state <= StealRelease; }
bool isKnownRoute(int32_t route) { return route >= RouteNext && route <= RouteOut; }

int vectorsFor(int lanes, int width) { return (lanes + width - 1) / width; }

// The envelope of an operator slot: Voice::env holds m first, then operators 1 to 4.
int envelopeOf(int op) { return op == Voice::kOperatorM ? Voice::kEnvelopeM : op + 1; }

}  // namespace

struct alignas(32) LaneRenderer::Waveforms {
    float table[kLaneOperators * kWaveTableSize];  // one wave after the other
    float setting[kLaneOperators];
    bool built[kLaneOperators];
};

LaneRenderer::LaneRenderer()
    : lanes(new VoiceLaneState()), diagonal(new DiagonalLaneState()), waveforms(new Waveforms()) {
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

// The table of (harmonic - sine) * setting + sine for one WAV setting, as an offset into `table`: a
// table already built for the same setting (bit for bit), or one not claimed by another operator of
// this call, rebuilt.
int32_t LaneRenderer::waveformAt(float setting, const WaveTables& tables, bool* inUse) {
    Waveforms& w = *waveforms;
    for (int k = 0; k < kLaneOperators; ++k) {
        if (w.built[k] && std::memcmp(&w.setting[k], &setting, sizeof setting) == 0) {
            inUse[k] = true;
            return k * kWaveTableSize;
        }
    }
    int k = 0;
    while (inUse[k]) ++k;  // five operators, five tables: one is always free
    float* table = w.table + k * kWaveTableSize;
    for (int i = 0; i < kWaveTableSize; ++i) table[i] = (tables.harmonic[i] - tables.sine[i]) * setting + tables.sine[i];
    w.setting[k] = setting;
    w.built[k] = true;
    inUse[k] = true;
    return k * kWaveTableSize;
}

// Copies the active voices into lanes and the parameters into `parameters`; returns the number of
// occupied lanes, or -1 if some voice holds a state the lanes do not model (an envelope state or a
// route outside its enumeration, which only a direct write could leave).
int LaneRenderer::loadLanes(Voice* const* voices, int voiceCount, const float* params, const WaveTables& tables,
                            LaneParameters& parameters) {
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

    float lvl[kLaneOperators], vel[kLaneOperators], wave[kLaneOperators];
    for (int op = 0; op < 4; ++op) {
        const float* section = params + param::operatorBase(op);
        lvl[op] = section[param::LVL];
        vel[op] = section[param::VEL];
        parameters.operatorOn[op] = lvl[op] > kOperatorOnThreshold;
        parameters.feedback[op] = section[param::FEB];
        wave[op] = section[param::WAV];
        parameters.lfoAmount[op] = section[param::LFO];
    }
    const int m = Voice::kOperatorM;
    lvl[m] = params[param::LVLm];
    vel[m] = params[param::VELm];
    parameters.feedback[m] = params[param::FEBm];
    wave[m] = params[param::WAVm];
    parameters.lfoAmount[m] = params[param::LFOm];
    parameters.pitchDepth = params[param::LFO_PCH];
    parameters.pitchModulated = parameters.pitchDepth > kLfoPitchThreshold;
    const float lfoModulation = params[param::LFO_MOD];
    bool inUse[kLaneOperators] = {};
    parameters.waveformBase = waveforms->table;
    for (int op = 0; op < kLaneOperators; ++op) {
        const bool used = op == m || parameters.operatorOn[op];
        parameters.waveformStart[op] = used ? waveformAt(wave[op], tables, inUse) : 0;
        parameters.waveform[op] = used ? waveforms->table + parameters.waveformStart[op] : nullptr;
    }

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
            s.level[op][lane] = levelWithVelocity(lvl[op], voice.velocityGain, vel[op]);
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
        s.lfoDepth[lane] = lfoDepthFor(voice.modWheel, lfoModulation);
    }
    return laneCount;
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

// The voice in `lane`, already loaded, turned along the diagonal: lane j of each entry holds what
// the lanes hold for operator diagonalOperator(j).
void LaneRenderer::loadDiagonal(int lane, const LaneParameters& parameters) {
    const VoiceLaneState& s = *lanes;
    DiagonalLaneState& d = *diagonal;
    d.liveCount = -1;
    for (int j = 0; j < kDiagonalWidth; ++j) {
        const bool used = j < kLaneOperators;
        const int op = used ? diagonalOperator(j) : 0;
        const bool isM = op == Voice::kOperatorM;
        const bool on = used && (isM || parameters.operatorOn[op]);
        const int envelope = envelopeOf(op);
        d.phase[j] = used ? s.phase[op][lane] : 0;
        d.lastOut[j] = used ? s.lastOut[op][lane] : 0.0f;
        d.increment[j] = used ? s.increment[op][lane] : 0;
        d.incrementAsFloat[j] = used ? s.incrementAsFloat[op][lane] : 0.0f;
        d.level[j] = used ? s.level[op][lane] : 0.0f;
        d.feedback[j] = used ? parameters.feedback[op] : 0.0f;
        d.lfoAmount[j] = used ? parameters.lfoAmount[op] : 0.0f;
        d.tableStart[j] = used ? parameters.waveformStart[op] : 0;
        d.on[j] = on ? -1 : 0;
        d.laneM[j] = used && isM ? -1 : 0;
        for (int route = 0; route < LaneRouteCount; ++route)
            d.route[route][j] = on && !isM ? s.routeMask[op][route][lane] : 0;
        d.envelopeState[j] = used ? s.envelopeState[envelope][lane] : Idle;
        d.envelopeLevel[j] = used ? s.envelopeLevel[envelope][lane] : 0.0f;
        d.attackRate[j] = used ? s.attackRate[envelope][lane] : 0.0f;
        d.decayRate[j] = used ? s.decayRate[envelope][lane] : 0.0f;
        d.sustainLevel[j] = used ? s.sustainLevel[envelope][lane] : 0.0f;
        d.releaseRate[j] = used ? s.releaseRate[envelope][lane] : 0.0f;
    }
}

void LaneRenderer::storeDiagonal(Voice& voice) const {
    const DiagonalLaneState& d = *diagonal;
    for (int j = 0; j < kLaneOperators; ++j) {
        const int op = diagonalOperator(j);
        const int envelope = envelopeOf(op);
        voice.phase[op] = static_cast<uint16_t>(d.phase[j]);
        voice.lastOut[op] = d.lastOut[j];
        voice.env[envelope].state = static_cast<EnvelopeState>(d.envelopeState[j]);
        voice.env[envelope].level = d.envelopeLevel[j];
    }
    voice.active = voice.env[Voice::kEnvelopeM].state != Idle;
}

void LaneRenderer::render(Voice* const* voices, int voiceCount, const float* params, const WaveTables& tables,
                          float* scratch, float* out, int count) {
    if (count < 1) return;
    LaneParameters parameters;
    const int occupied = loadLanes(voices, voiceCount, params, tables, parameters);
    if (occupied == 0) return;
    if (occupied < 0) {
        for (int v = 0; v < voiceCount; ++v) voices[v]->renderReference(scratch, out, count);
        return;
    }

    const bool wide = set == InstructionSet::Avx2;
    const int width = wide ? kAvx2Width : kSse2Width;
    const int vectors = vectorsFor(laneCount, width);
    parameters.lanes = laneCount;
    parameters.lanesInLastVector = laneCount - (vectors - 1) * width;
    parameters.diagonal = wide && width == kDiagonalWidth && parameters.lanesInLastVector == 1;
    if (parameters.diagonal) loadDiagonal(laneCount - 1, parameters);
    for (int start = 0; start < count; start += kLaneChunk) {
        const int chunk = std::min(kLaneChunk, count - start);
        if (wide)
            renderLanesAvx2(*lanes, *diagonal, parameters, tables.sine, out + start, chunk, vectors);
        else
            renderLanesSse2(*lanes, *diagonal, parameters, tables.sine, out + start, chunk, vectors);
    }
    storeLanes(voices);
    if (parameters.diagonal) storeDiagonal(*voices[laneVoice[laneCount - 1]]);
}
