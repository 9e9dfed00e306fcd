// The factory bank judged as a whole, the way a sound designer checks a bank before it ships: every
// designed program (all but the two that hold reference values) rendered through the plug-in object
// and measured for offset, aliasing, evenness of level, headroom and its response to wheel and
// velocity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "BankMeasurements.h"
#include "plugin/FactoryBank.h"

namespace {
std::vector<int> designedPrograms() {
    std::vector<int> programs;
    for (int p = 0; p < kProgramCount; ++p)
        if (p != 0 && p != 16) programs.push_back(p);  // their values are fixed references, not voicing
    return programs;
}

bool isOrgan(int program) {
    return std::strstr(kFactoryPrograms[program].name, "Organ") != nullptr;
}
}  // namespace

// Offset adds up over voices: at -30 dB per note a 16-note chord still sits near -18 dB.
TEST(FactoryBankSound, NoSingleNoteFromC1ToC7CarriesOffset) {
    for (int p : designedPrograms()) {
        const bank::DcOffset dc = bank::worstDc(p);
        EXPECT_LT(dc.db, -30.0) << kFactoryPrograms[p].name << " at key " << dc.key;
    }
}

// No program's description makes grit its point, so none may fold partials back audibly.
TEST(FactoryBankSound, HighNotesFoldBackLittleOfWhatTheyPlay) {
    for (int p : designedPrograms()) {
        SCOPED_TRACE(kFactoryPrograms[p].name);
        EXPECT_LT(bank::aliasDb(p, 84), -35.0) << "C6";
        EXPECT_LT(bank::aliasDb(p, 96), -25.0) << "C7";
    }
}

TEST(FactoryBankSound, SingleNotesAreEvenInLoudnessAndChordsKeepHeadroom) {
    std::vector<double> loudness;
    for (int p : designedPrograms()) {
        loudness.push_back(bank::c4LoudnessDb(p));
        EXPECT_LT(bank::chordPeak(p), 1.0) << kFactoryPrograms[p].name;
    }
    std::vector<double> sorted = loudness;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (size_t i = 0; i < loudness.size(); ++i)
        EXPECT_NEAR(loudness[i], median, 3.0) << kFactoryPrograms[designedPrograms()[i]].name;
}

// Vibrato, tremolo, wah or growl: whatever the wheel does, it is heard, and it neither mutes the note
// nor blows it up.
TEST(FactoryBankSound, TheWheelAudiblyChangesEveryProgram) {
    for (int p : designedPrograms()) {
        SCOPED_TRACE(kFactoryPrograms[p].name);
        const bank::WheelResponse wheel = bank::wheelResponse(p);
        EXPECT_GT(wheel.changeDb, -20.0);
        EXPECT_NEAR(wheel.levelDb, 0.0, 6.0);
    }
}

// A harder key plays louder or brighter; organs, as their models, play every key the same.
TEST(FactoryBankSound, VelocityShapesEveryProgramButTheOrgans) {
    for (int p : designedPrograms()) {
        if (isOrgan(p)) continue;
        const bank::VelocityResponse velocity = bank::velocityResponse(p);
        EXPECT_TRUE(velocity.levelDb >= 3.0 || velocity.brightness >= 1.15)
            << kFactoryPrograms[p].name << ": " << velocity.levelDb << " dB, brightness x"
            << velocity.brightness;
    }
}
