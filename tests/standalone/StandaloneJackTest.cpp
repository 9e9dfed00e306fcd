// calyx2-standalone as a user runs it, headless, on a private JACK server with the dummy back end:
// a test client plays it notes through JACK MIDI and records what it sends out.
//
// What the recording is compared with, sample for sample from the first period that sounds: the same
// events at the same frame offsets rendered in this process through a fresh Calyx2Plugin at the
// server's period, and calyx2-render's output for a MIDI file of those events at that block size.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "engine/ParameterIndex.h"
#include "standalone/MidiMessageQueue.h"
#include "tests/standalone/AppProcess.h"
#include "tests/standalone/JackTestClient.h"
#include "tests/standalone/JackTestServer.h"
#include "tests/standalone/StandaloneTestSupport.h"

namespace {
constexpr const char* kClientName = "calyx2-under-test";
constexpr double kStartSeconds = 15.0;
constexpr double kPitchTolerance = 0.01;  // a semitone is 6 %
constexpr int kExitNoAudio = 3;
constexpr int kExitAudioLost = 5;

JackTestServer& jackServer() {
    static JackTestServer server;
    return server;
}

struct Note {
    int note, startCycle, startFrame, endCycle, endFrame;
};

// Three notes one after another, each steady long enough to measure; offsets inside the period.
const Note kMelody[] = {{57, 4, 37, 40, 100}, {64, 40, 100, 80, 255}, {72, 80, 0, 110, 17}};
constexpr int kMeasureFromCycle = 6;  // after the attack, before the release
constexpr int kCycles = 130;

std::vector<ScheduledMessage> melodySchedule(int period) {
    std::vector<ScheduledMessage> schedule;
    for (const Note& n : kMelody) {
        schedule.push_back({n.startCycle, n.startFrame % period, midi::noteOn, uint8_t(n.note), 100});
        schedule.push_back({n.endCycle, n.endFrame % period, midi::noteOff, uint8_t(n.note), 0});
    }
    std::stable_sort(schedule.begin(), schedule.end(), [](const ScheduledMessage& a, const ScheduledMessage& b) {
        return a.cycle != b.cycle ? a.cycle < b.cycle : a.frame < b.frame;
    });
    return schedule;
}

class StandaloneJack : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!JackTestServer::installed()) GTEST_SKIP() << "jackd is not installed: the standalone is not tested";
        ASSERT_TRUE(jackServer().running()) << "the dummy JACK server did not start";
        config = temporaryFolder();
        presetPath = config + "/plain-tone.fxp";
        writePlainTonePreset(presetPath, "Plain tone");
    }

    std::unique_ptr<AppProcess> startHeadless(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--no-gui", "--device", "jack", "--name", kClientName});
        return std::make_unique<AppProcess>(standaloneCommand(arguments), standaloneEnvironment(config));
    }

    // Plays the melody into the application and checks the recording against the in-process one.
    void expectMelodyAsInProcess(JackTestClient& client) {
        ASSERT_TRUE(client.connectTo(kClientName, kStartSeconds));
        const std::vector<ScheduledMessage> schedule = melodySchedule(client.period());
        ASSERT_TRUE(client.play(schedule, kCycles + 20));
        std::vector<float> left, right;
        renderInProcess(presetPath, schedule, kCycles, client.period(), left, right);

        const int period = client.period();
        const int recordedStart = firstSoundingCycle(client.left, period);
        const int expectedStart = firstSoundingCycle(left, period);
        ASSERT_GE(recordedStart, 0) << "the application stayed silent";
        ASSERT_EQ(expectedStart, kMelody[0].startCycle);
        const std::size_t compared = std::size_t(kCycles - expectedStart) * std::size_t(period);
        const std::size_t from = std::size_t(recordedStart) * std::size_t(period);
        const std::size_t reference = std::size_t(expectedStart) * std::size_t(period);
        ASSERT_LE(from + compared, client.left.size()) << "the notes came too late to be recorded whole";
        std::size_t differing = 0;
        for (std::size_t i = 0; i < compared; ++i)
            differing += client.left[from + i] != left[reference + i] || client.right[from + i] != right[reference + i];
        EXPECT_EQ(differing, 0u) << "of " << compared << " frames";

#ifdef CALYX2_RENDER_FILE
        // And what calyx2-render makes of the same events at the same block size.
        std::vector<float> renderedLeft, renderedRight;
        std::string error;
        ASSERT_TRUE(renderWithTool(CALYX2_RENDER_FILE, CALYX2_PLUGIN_FILE, presetPath, schedule, period, renderedLeft,
                                   renderedRight, error))
            << error;
        const std::size_t lastNoteOff = std::size_t(kMelody[2].endCycle) * std::size_t(period);
        ASSERT_GE(renderedLeft.size(), lastNoteOff);
        const std::size_t renderedCompared = std::min(compared, renderedLeft.size() - reference);
        std::size_t differingFromTool = 0;
        for (std::size_t i = 0; i < renderedCompared; ++i)
            differingFromTool += client.left[from + i] != renderedLeft[reference + i] ||
                                 client.right[from + i] != renderedRight[reference + i];
        EXPECT_EQ(differingFromTool, 0u) << "of " << renderedCompared << " frames";
#endif

        for (const Note& n : kMelody) {
            const std::size_t first = from + std::size_t(n.startCycle - kMelody[0].startCycle + kMeasureFromCycle) *
                                                 std::size_t(period);
            const std::size_t count = std::size_t(n.endCycle - n.startCycle - kMeasureFromCycle - 4) * std::size_t(period);
            const double heard = estimateFrequency(client.left, first, count, JackTestServer::sampleRate);
            EXPECT_NEAR(heard / noteFrequency(n.note), 1.0, kPitchTolerance)
                << "note " << n.note << " sounds at " << heard << " Hz";
        }
    }

    std::string config;
    std::string presetPath;
};

TEST_F(StandaloneJack, NotesSoundAtTheirPitchesAndMatchInProcessAndCalyx2RenderAndAVanishedPortIsReported) {
    auto app = startHeadless({presetPath});
    JackTestClient client("calyx2-test");
    ASSERT_TRUE(client.opened());
    expectMelodyAsInProcess(client);
    client.close();
    EXPECT_TRUE(app->saysWithin("MIDI port calyx2-test:midi_out vanished", 5.0)) << app->errorOutput();
    EXPECT_EQ(app->stop(), 0) << app->errorOutput();
}

// The server's period halved while the application plays: it reconfigures the plug-in and goes on
// exactly as a plug-in started at the new period.
TEST_F(StandaloneJack, FollowsAChangeOfTheServersPeriod) {
    auto app = startHeadless({presetPath});
    JackTestClient client("calyx2-test");
    ASSERT_TRUE(client.connectTo(kClientName, kStartSeconds));
    ASSERT_EQ(client.setPeriod(JackTestServer::period / 2), 0);
    ASSERT_EQ(client.period(), JackTestServer::period / 2);
    expectMelodyAsInProcess(client);
    EXPECT_EQ(app->stop(), 0) << app->errorOutput();
}

// The server stopped under the application: it says so, keeps the bank and ends by itself.
TEST_F(StandaloneJack, ALostServerIsReportedAndTheBankIsKept) {
    auto app = startHeadless({presetPath});
    ASSERT_TRUE(app->saysWithin("playing through JACK", kStartSeconds)) << app->errorOutput();
    jackServer().stop();
    EXPECT_EQ(app->wait(kStartSeconds), kExitAudioLost);
    EXPECT_NE(app->errorOutput().find("the JACK server went away"), std::string::npos) << app->errorOutput();
    jackServer().start();
    ASSERT_TRUE(jackServer().running());
    int program = -1;
    std::vector<float> values;
    ASSERT_TRUE(readSavedBank(config, program, values));
    EXPECT_EQ(values[param::LVLm], 0.8f);
}

// The preset given once is in the bank file after a stop, and the next run without it plays the same.
TEST_F(StandaloneJack, TheBankProgramAndEditsSurviveARestart) {
    auto first = startHeadless({presetPath});
    {
        JackTestClient waiting("calyx2-wait");
        ASSERT_TRUE(waiting.connectTo(kClientName, kStartSeconds));
    }
    ASSERT_EQ(first->stop(), 0) << first->errorOutput();
    int program = -1;
    std::vector<float> values;
    ASSERT_TRUE(readSavedBank(config, program, values));
    EXPECT_EQ(program, 0);
    EXPECT_EQ(values[param::LVL1], 0.0f);
    EXPECT_EQ(values[param::LVLm], 0.8f);
    EXPECT_EQ(values[param::D_LVL], 0.0f);
    EXPECT_EQ(access((config + "/calyx2").c_str(), F_OK), 0);

    auto second = startHeadless({});
    JackTestClient client("calyx2-test");
    expectMelodyAsInProcess(client);
    EXPECT_EQ(second->stop(), 0) << second->errorOutput();
}

// ALSA's null device (defined by every alsa-lib) stands in for a sound card.
TEST(StandaloneAlsa, PlaysThroughAnAlsaDeviceAndStopsCleanly) {
    const std::string config = temporaryFolder();
    AppProcess app(standaloneCommand({"--no-gui", "--device", "alsa:null", "--rate", "44100", "--buffer", "128"}),
                   standaloneEnvironment(config));
    EXPECT_TRUE(app.saysWithin("playing through ALSA device 'null' at 44100 Hz, 128 frames", kStartSeconds))
        << app.errorOutput();
    EXPECT_EQ(app.stop(), 0) << app.errorOutput();
}

struct FailingStart {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    int exitCode;
    std::vector<std::string> messages;
};

class StandaloneFailingStart : public ::testing::TestWithParam<FailingStart> {};

TEST_P(StandaloneFailingStart, SaysWhyAndExitsWithoutLosingTheBank) {
    const FailingStart& start = GetParam();
    const std::string config = temporaryFolder();
    const std::string unreadable = "not a bank";
    ASSERT_EQ(system(("mkdir -p " + config + "/calyx2 && printf '" + unreadable + "' > " + config + "/calyx2/bank.fxb").c_str()), 0);
    std::map<std::string, std::string> environment = standaloneEnvironment(config);
    environment.insert(start.environment.begin(), start.environment.end());
    AppProcess app(standaloneCommand(start.arguments), environment);
    EXPECT_EQ(app.wait(kStartSeconds), start.exitCode);
    for (const std::string& message : start.messages) EXPECT_NE(app.errorOutput().find(message), std::string::npos) << app.errorOutput();
    // The unreadable bank is set aside, not overwritten.
    std::ifstream aside(config + "/calyx2/bank.fxb.unreadable");
    std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, unreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, StandaloneFailingStart,
    ::testing::Values(
        FailingStart{"NoJackServer", {"--no-gui", "--device", "jack", "/nowhere/missing.fxp"},
                     {{"JACK_DEFAULT_SERVER", "calyx2-no-such-server"}}, kExitNoAudio,
                     {"no sound: no JACK server is running", "/nowhere/missing.fxp: cannot be read: not loaded",
                      "kept as "}},
        FailingStart{"NoAlsaDevice", {"--no-gui", "--device", "alsa:calyx2-no-such-device"}, {}, kExitNoAudio,
                     {"cannot open ALSA device 'calyx2-no-such-device'"}},
        FailingStart{"NoDisplay", {"--device", "jack"}, {{"DISPLAY", ""}}, 4, {"cannot open the X display"}}),
    [](const ::testing::TestParamInfo<FailingStart>& info) { return std::string(info.param.name); });
}  // namespace
