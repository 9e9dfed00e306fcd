// Renders the active voices of a segment together, one voice per vector lane (VoiceLanes.h), and
// adds them into the mix in voice order: the same samples as calling Voice::renderReference on
// every voice in turn, at a fraction of the cost.
//
// Per call: the parameters are read once for all voices, each voice's state is copied into its
// lane, then the segment runs in chunks of kLaneChunk samples (envelopes first, then the sample
// loop, then the mix), and the state is copied back. Inactive voices take no lane and cost
// nothing; operators that are off are skipped for all voices at once.
#pragma once

#include <memory>

#include "engine/Voice.h"
#include "engine/VoiceLanes.h"
#include "engine/WaveTables.h"

class LaneRenderer {
public:
    enum class InstructionSet { Sse2, Avx2 };

    LaneRenderer();  // uses the widest instruction set the processor has
    ~LaneRenderer();

    static bool supports(InstructionSet set);
    void use(InstructionSet set);  // ignored when the processor lacks it
    InstructionSet instructionSet() const { return set; }

    // Adds count samples of every active voice into out. params and tables are the ones the voices
    // point to; scratch (count floats) is only used by the rare voice the lanes cannot take.
    void render(Voice* const* voices, int voiceCount, const float* params, const WaveTables& tables, float* scratch,
                float* out, int count);

private:
    int loadLanes(Voice* const* voices, int voiceCount, const float* params, const WaveTables& tables,
                  LaneParameters& parameters);
    int32_t waveformAt(float setting, const WaveTables& tables, bool* inUse);
    void storeLanes(Voice* const* voices) const;
    void loadDiagonal(int lane, const LaneParameters& parameters);
    void storeDiagonal(Voice& voice) const;

    std::unique_ptr<VoiceLaneState> lanes;
    std::unique_ptr<DiagonalLaneState> diagonal;  // the voice alone in the last vector of 8
    // The operators' waves at their WAV settings, kept until a setting changes; operators with the
    // same setting share one.
    struct Waveforms;
    std::unique_ptr<Waveforms> waveforms;
    int laneVoice[kLaneCapacity] = {};  // voice index of each occupied lane
    int laneCount = 0;
    InstructionSet set = InstructionSet::Sse2;
};
