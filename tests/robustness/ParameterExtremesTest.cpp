// Parameter values no panel produces (a host's automation lane, a damaged chunk): the engine may
// sound wrong with them but must stay defined, and where its own rules give an answer, give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <vector>

#include "engine/ParameterIndex.h"
#include "engine/SynthEngine.h"
#include "engine/Voice.h"
#include "engine/WaveTables.h"

namespace {

// Phase increment of operator 1 for MIDI note 60 with the octave setting of operator 1 at `octave`.
int operatorOneIncrement(float octave) {
    SynthEngine engine;
    engine.setParameter(param::OCT1, octave);
    engine.noteOn(60 - SynthEngine::kNoteShift, 1.0f, 0);
    std::vector<float> scratch(64), out(64);
    engine.render(scratch.data(), out.data(), 32);
    return engine.voice(0).phaseInc[0];
}

}  // namespace

// Octave settings far outside 0..1 make the note index overflow 32 bits unless it is computed wider;
// notes beyond the table play its nearest entry, as for any other out-of-table note.
TEST(ParameterExtremes, AbsurdOctavesPlayTheNearestTableNote) {
    const int lowest = operatorOneIncrement(-1.0f);   // six octaves down: below the table
    const int highest = operatorOneIncrement(10.0f);  // sixty octaves up: above it
    EXPECT_LT(lowest, highest);
    EXPECT_EQ(operatorOneIncrement(3.0e7f), highest);  // 1.8e8 octaves: 12 x that passes 2^31
    EXPECT_EQ(operatorOneIncrement(-3.0e7f), lowest);
    // Beyond the integer range (and NaN) truncation gives INT32_MIN octaves: the lowest entry.
    EXPECT_EQ(operatorOneIncrement(1.0e12f), lowest);
    EXPECT_EQ(operatorOneIncrement(std::numeric_limits<float>::quiet_NaN()), lowest);
    EXPECT_EQ(operatorOneIncrement(-std::numeric_limits<float>::infinity()), lowest);
}

// A bend range of hundreds of semitones can bring an operator's increment within a cycle of 2^31
// (65535 x 2^15 here); the accumulators must still wrap modulo one cycle, with and without the LFO's
// pitch path, in the voice's plain rendering that the fast path is compared with.
TEST(ParameterExtremes, IncrementsNearTwoToThe31StillWrapModuloACycle) {
    const WaveTables tables;
    for (float pitchDepth : {0.0f, 1.0f}) {
        float params[param::Count];
        std::fill(std::begin(params), std::end(params), 0.5f);
        params[param::LFO_PCH] = pitchDepth;
        params[param::LFO_SPD] = 0.0f;  // the LFO stays at phase 0, so the pitch factor is exactly 1
        Voice voice(params, &tables);
        voice.applyParameter(param::RecomputeAll);
        voice.startNote(48, 1.0f);
        std::fill(std::begin(voice.phaseInc), std::end(voice.phaseInc), uint16_t{65535});
        voice.bendRatio = 32768.0f;

        std::vector<float> scratch(3), out(3);
        voice.renderReference(scratch.data(), out.data(), 3);
        for (int op = 0; op < Voice::kOperatorCount; ++op)
            EXPECT_EQ(voice.phase[op], 0x8000) << "operator slot " << op << ", pitch depth " << pitchDepth;
    }
}
