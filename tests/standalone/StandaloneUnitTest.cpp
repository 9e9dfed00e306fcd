// The standalone's pieces that need no server: the computer keyboard, the command line, the bank
// file and the queue into the audio thread.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <dirent.h>
#include <sys/stat.h>

#include "engine/ParameterIndex.h"
#include "standalone/BankFile.h"
#include "standalone/ComputerKeyboard.h"
#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"
#include "standalone/StandaloneOptions.h"
#include "tests/standalone/AppProcess.h"

namespace {
struct KeyCase {
    unsigned long keysym;
    int semitone;
};
void PrintTo(const KeyCase& key, std::ostream* out) { *out << "keysym " << key.keysym; }

class PianoKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PianoKeys, PlayTheirSemitoneAboveTheBaseNote) {
    ComputerKeyboard keyboard;
    MidiMessage on, off;
    const bool plays = keyboard.press(GetParam().keysym, on);
    ASSERT_EQ(plays, GetParam().semitone >= 0);
    if (!plays) return;
    EXPECT_EQ(on.status, midi::noteOn);
    EXPECT_EQ(on.data1, ComputerKeyboard::defaultBase + GetParam().semitone);
    EXPECT_FALSE(keyboard.press(GetParam().keysym, on)) << "a repeated press starts no second note";
    ASSERT_TRUE(keyboard.release(GetParam().keysym, off));
    EXPECT_EQ(off.status, midi::noteOff);
    EXPECT_EQ(off.data1, ComputerKeyboard::defaultBase + GetParam().semitone);
}

INSTANTIATE_TEST_SUITE_P(Rows, PianoKeys,
                         ::testing::Values(KeyCase{XK_z, 0}, KeyCase{XK_s, 1}, KeyCase{XK_m, 11}, KeyCase{XK_comma, 12},
                                           KeyCase{XK_slash, 16}, KeyCase{XK_q, 12}, KeyCase{XK_2, 13},
                                           KeyCase{XK_bracketright, 31}, KeyCase{XK_a, -1}, KeyCase{XK_F1, -1}));

TEST(ComputerKeyboardTest, OctaveAndVelocityStepsStopAtTheirEndsAndNotesEndAsTheyStarted) {
    ComputerKeyboard keyboard;
    MidiMessage on, off;
    ASSERT_TRUE(keyboard.press(XK_z, on));
    for (int i = 0; i < 20; ++i) keyboard.octaveUp();
    EXPECT_EQ(keyboard.baseNote(), ComputerKeyboard::highestBase);
    ASSERT_TRUE(keyboard.release(XK_z, off));
    EXPECT_EQ(off.data1, on.data1) << "the note-off after an octave change ends the note that sounds";
    ASSERT_TRUE(keyboard.press(XK_bracketright, on));
    EXPECT_EQ(on.data1, 127);
    for (int i = 0; i < 20; ++i) keyboard.octaveDown();
    EXPECT_EQ(keyboard.baseNote(), ComputerKeyboard::lowestBase);
    for (int i = 0; i < 10; ++i) keyboard.velocityUp();
    EXPECT_EQ(keyboard.velocity(), 127);
    for (int i = 0; i < 10; ++i) keyboard.velocityDown();
    EXPECT_GT(keyboard.velocity(), 0);
    EXPECT_EQ(keyboard.releaseAll().size(), 1u);
    EXPECT_TRUE(keyboard.releaseAll().empty());
}

struct CommandLine {
    const char* name;
    std::vector<std::string> arguments;
    const char* error;  // nullptr: accepted
};

class StandaloneCommandLine : public ::testing::TestWithParam<CommandLine> {};

TEST_P(StandaloneCommandLine, IsAcceptedOrRefusedWithAReason) {
    std::vector<std::string> words = GetParam().arguments;
    words.insert(words.begin(), "calyx2-standalone");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    StandaloneOptions options;
    std::string error;
    const bool accepted = parseStandaloneOptions(int(argv.size()), argv.data(), options, error);
    if (GetParam().error == nullptr) {
        EXPECT_TRUE(accepted) << error;
    } else {
        EXPECT_FALSE(accepted);
        EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StandaloneCommandLine,
    ::testing::Values(CommandLine{"AlsaDevice", {"--device", "alsa:hw:1", "-r", "44100", "-b", "64", "a.fxp", "b.fxb"}, nullptr},
                      CommandLine{"JackHeadless", {"-d", "jack", "--midi-port", "system:midi_capture_1", "--no-gui"}, nullptr},
                      CommandLine{"UnknownDevice", {"--device", "pulse"}, "--device takes"},
                      CommandLine{"RateNotANumber", {"--rate", "44.1k"}, "--rate takes"},
                      CommandLine{"EmptyBuffer", {"-b", "0"}, "--buffer takes"},
                      CommandLine{"NegativeTempo", {"--tempo", "-3"}, "--tempo takes"},
                      CommandLine{"MissingValue", {"--rate"}, "needs a value"},
                      CommandLine{"UnknownOption", {"--frobnicate"}, "unknown option --frobnicate"}),
    [](const ::testing::TestParamInfo<CommandLine>& info) { return std::string(info.param.name); });

TEST(StandaloneCommandLineTest, KeepsItsValuesAndFiles) {
    std::vector<std::string> words = {"calyx2-standalone", "-d", "alsa:hw:1", "-r", "44100", "-b", "64", "x.fxp"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    StandaloneOptions options;
    std::string error;
    ASSERT_TRUE(parseStandaloneOptions(int(argv.size()), argv.data(), options, error));
    EXPECT_EQ(options.audio, AudioChoice::Alsa);
    EXPECT_EQ(options.alsaDevice, "hw:1");
    EXPECT_EQ(options.sampleRate, 44100);
    EXPECT_EQ(options.bufferFrames, 64);
    EXPECT_EQ(options.presetFiles, std::vector<std::string>{"x.fxp"});
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* listing = opendir(folder.c_str())) {
        while (dirent* entry = readdir(listing))
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        closedir(listing);
    }
    return names;
}

TEST(BankFileTest, EditsAndProgramComeBackAndNothingIsLeftBeside) {
    const std::string path = temporaryFolder() + "/deeper/calyx2/bank.fxb";
    PluginDriver edited;
    edited.setProgram(7);
    edited.setParameter(param::C_SPD, 0.25f);
    std::string error;
    ASSERT_TRUE(saveBankFile(path, edited, error)) << error;
    edited.setParameter(param::C_SPD, 0.5f);
    ASSERT_TRUE(saveBankFile(path, edited, error)) << error;  // replaces the first one
    EXPECT_EQ(folderEntries(path.substr(0, path.rfind('/'))), std::vector<std::string>{"bank.fxb"});

    PluginDriver restored;
    ASSERT_EQ(loadBankFile(path, restored, error), BankLoad::Loaded) << error;
    EXPECT_EQ(restored.program(), 7);
    EXPECT_EQ(restored.parameter(param::C_SPD), 0.5f);
    EXPECT_EQ(bankFingerprint(restored), bankFingerprint(edited));

    PluginDriver fresh;
    EXPECT_EQ(loadBankFile(path + ".absent", fresh, error), BankLoad::Missing);
    // A folder where the file should be: the save fails and says so.
    ASSERT_EQ(mkdir((path + ".blocked").c_str(), 0755), 0);
    EXPECT_FALSE(saveBankFile(path + ".blocked", edited, error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST(MidiMessageQueueTest, KeepsOrderAndDropsOnlyWhatDoesNotFit) {
    MidiMessageQueue queue;
    for (uint32_t i = 0; i < MidiMessageQueue::capacity + 3; ++i) queue.push({midi::noteOn, uint8_t(i & 0x7F), 1});
    EXPECT_EQ(queue.droppedCount(), 3u);
    MidiMessage message;
    for (uint32_t i = 0; i < MidiMessageQueue::capacity; ++i) {
        ASSERT_TRUE(queue.pop(message));
        ASSERT_EQ(message.data1, uint8_t(i & 0x7F));
    }
    EXPECT_FALSE(queue.pop(message));
}
}  // namespace
