// Programs, names and state chunks on the plug-in object.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "RecordingHost.h"
#include "plugin/Calyx2Plugin.h"
#include "plugin/FactoryBank.h"

namespace {
struct ProgramsFixture : ::testing::Test {
    RecordingHost host;
    std::unique_ptr<Calyx2Plugin> plugin{new Calyx2Plugin(RecordingHost::callback)};

    std::vector<char> chunk(bool isPreset) {
        void* data = nullptr;
        const VstInt32 size = plugin->getChunk(&data, isPreset);
        const char* bytes = static_cast<const char*>(data);
        return std::vector<char>(bytes, bytes + size);
    }
    std::string programName() {
        char text[32];
        std::memset(text, 'x', sizeof text);
        plugin->getProgramName(text);
        EXPECT_EQ(text[24], 0);
        return text;
    }
};
}  // namespace

using Programs = ProgramsFixture;

TEST_F(Programs, FactoryImageComesBackFromTheFirstBankChunk) {
    const std::vector<char> bank = chunk(false);
    ASSERT_EQ(bank.size(), 9600u);
    std::vector<ProgramRecord> expected(kProgramCount);
    fillFactoryBank(expected.data());
    EXPECT_EQ(std::memcmp(bank.data(), expected.data(), 9600), 0);
    EXPECT_EQ(std::string(bank.data()), "Soft Brass");
    EXPECT_EQ(programName(), "Soft Brass");
}

TEST_F(Programs, ProgramAndBankChunksRoundTrip) {
    plugin->setParameter(param::LVL1, 0.75f);
    const std::vector<char> program = chunk(true);
    ASSERT_EQ(program.size(), 276u);
    plugin->setParameter(param::LVL1, 0.1f);
    EXPECT_EQ(plugin->setChunk(const_cast<char*>(program.data()), 276, true), 276);
    EXPECT_EQ(plugin->getParameter(param::LVL1), 0.75f);

    plugin->setProgram(3);
    plugin->setParameter(param::D_FB, 0.33f);
    const std::vector<char> bank = chunk(false);
    RecordingHost otherHost;
    Calyx2Plugin other(RecordingHost::callback);
    other.setProgram(3);
    EXPECT_EQ(other.setChunk(const_cast<char*>(bank.data()), 9600, false), 9600);
    EXPECT_EQ(other.getParameter(param::D_FB), 0.33f);
    void* data = nullptr;
    ASSERT_EQ(other.getChunk(&data, false), 9600);
    EXPECT_EQ(std::memcmp(data, bank.data(), 9600), 0);
}

TEST_F(Programs, BankChunkCarriesLiveEditsOfTheCurrentProgram) {
    plugin->setParameter(param::WAV3, 0.625f);
    const std::vector<char> bank = chunk(false);
    float stored;
    std::memcpy(&stored, bank.data() + 24 + 4 * param::WAV3, 4);
    EXPECT_EQ(stored, 0.625f);
}

TEST_F(Programs, BankSizedChunkIsABankWhateverThePresetFlagSays) {
    std::vector<char> bank = chunk(false);
    float value = 0.5f;
    std::memcpy(bank.data() + 300 * 7 + 24, &value, 4);  // program 7, LVL1
    std::memcpy(bank.data() + 300 * 7, "Renamed", 8);
    EXPECT_EQ(plugin->setChunk(bank.data(), 9600, true), 9600);
    plugin->setProgram(7);
    EXPECT_EQ(plugin->getParameter(param::LVL1), 0.5f);
    EXPECT_EQ(programName(), "Renamed");
}

TEST_F(Programs, WrongSizesAreRejectedWithADisplayUpdateAndNoChange) {
    const std::vector<char> before = chunk(false);
    std::vector<char> junk(9600, 0x55);
    EXPECT_EQ(plugin->setChunk(junk.data(), 276, false), 0);
    EXPECT_EQ(plugin->setChunk(junk.data(), 275, true), 0);
    EXPECT_EQ(plugin->setChunk(junk.data(), 9599, false), 0);
    EXPECT_EQ(plugin->setChunk(nullptr, 9600, false), 0);
    EXPECT_EQ(host.updateDisplayCalls, 4);
    EXPECT_EQ(chunk(false), before);
}

TEST_F(Programs, ProgramChunkKeepsTheName) {
    std::vector<float> values(param::Count, 0.25f);
    EXPECT_EQ(plugin->setChunk(values.data(), 276, true), 276);
    EXPECT_EQ(programName(), "Soft Brass");
    EXPECT_EQ(plugin->getParameter(param::Rm), 0.25f);
}

TEST_F(Programs, NamesAreCutToTwentyFourCharacters) {
    char longName[] = "abcdefghijklmnopqrstuvwxyz1234";
    plugin->setProgramName(longName);
    EXPECT_EQ(programName(), "abcdefghijklmnopqrstuvwx");
    char shortName[] = "Hi";
    plugin->setProgramName(shortName);
    EXPECT_EQ(programName(), "Hi");
    // The field is cleared first: nothing of the longer name survives behind the new one.
    EXPECT_EQ(std::memcmp(plugin->getBank().program(0).name, "Hi\0\0\0\0\0\0", 8), 0);
}

TEST_F(Programs, FullLengthFactoryNamesReadBackWhole) {
    char text[25];
    EXPECT_TRUE(plugin->getProgramNameIndexed(0, 3, text));
    EXPECT_STREQ(text, "Wanna play my flute baby");
    EXPECT_TRUE(plugin->getProgramNameIndexed(0, 13, text));
    EXPECT_STREQ(text, "Bright Bells of Bellitud");
}

TEST_F(Programs, OutOfRangeIndexedNameIsEmptyAndFalse) {
    char text[25];
    std::memset(text, 'x', sizeof text);
    EXPECT_FALSE(plugin->getProgramNameIndexed(0, 32, text));
    EXPECT_EQ(text[0], 0);
    EXPECT_FALSE(plugin->getProgramNameIndexed(0, -1, text));
}

TEST_F(Programs, SwitchingAwayAndBackKeepsEdits) {
    plugin->setProgram(5);
    plugin->setParameter(param::FEB2, 0.9f);
    plugin->setProgram(6);
    EXPECT_EQ(plugin->getParameter(param::FEB2), kFactoryPrograms[6].settings[param::FEB2].value);
    plugin->setProgram(5);
    EXPECT_EQ(plugin->getParameter(param::FEB2), 0.9f);
}

TEST_F(Programs, ReselectingTheCurrentProgramStillRecomputesTheVoices) {
    plugin->getEngine().voice(2).lfoInc = 999;
    plugin->setProgram(0);
    EXPECT_NE(plugin->getEngine().voice(2).lfoInc, 999);
}

TEST_F(Programs, HostHandingBackOurOwnChunkBufferIsSafe) {
    void* data = nullptr;
    plugin->getChunk(&data, false);
    EXPECT_EQ(plugin->setChunk(data, 9600, false), 9600);
    plugin->getChunk(&data, true);
    EXPECT_EQ(plugin->setChunk(data, 276, true), 276);
}
