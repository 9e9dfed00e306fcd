// The three tools as a user runs them: exit codes, one-line errors, files written whole or not at all.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "SmfBytes.h"
#include "ToolRunning.h"

namespace {

#ifdef CALYX2_PLUGIN_FILE
#define REQUIRE_CALYX2()
const std::string kCalyx2 = CALYX2_PLUGIN_FILE;
#else
#define REQUIRE_CALYX2() GTEST_SKIP() << "the calyx2 target is not part of this build"
const std::string kCalyx2;
#endif

class ToolCommand : public testing::Test {
protected:
    void SetUp() override {
        directory_ = testing::TempDir() + "calyx2-tools-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::system(("rm -rf '" + directory_ + "' && mkdir -p '" + directory_ + "'").c_str());
    }
    void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

    std::string file(const std::string& name) const { return directory_ + "/" + name; }

    Result run(const std::string& tool, const std::string& arguments) {
        std::string command = "'" + tool + "' " + arguments + " > '" + file("stdout") + "' 2> '" + file("stderr") + "' < /dev/null";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(file("stdout")), readText(file("stderr"))};
    }

    // Expects the given exit code and exactly one line on standard error naming the tool.
    void expectFailure(const Result& result, int exitCode, const std::string& part, const std::string& tool) {
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
        EXPECT_EQ(result.err.rfind(tool + ": ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(part), std::string::npos) << result.err;
    }

    std::string smallSong() {
        using namespace smfbytes;
        Bytes notes;
        append(notes, {0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0});
        endOfTrack(notes, 0);
        std::string path = file("song.mid");
        writeBytes(path, smfbytes::file(header(0, 1, 480), {track(notes)}));
        return path;
    }

    std::string directory_;
};

const std::string kRender = CALYX2_RENDER_TOOL;
const std::string kInfo = CALYX2_INFO_TOOL;
const std::string kPresets = CALYX2_PRESETS_TOOL;

TEST_F(ToolCommand, HelpAndVersion) {
    for (const std::string& tool : {kRender, kInfo, kPresets}) {
        Result help = run(tool, "--help");
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find("Usage:"), std::string::npos);
        EXPECT_NE(help.out.find("Exit status"), std::string::npos);
        Result version = run(tool, "--version");
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_NE(version.out.find(CALYX2_VERSION), std::string::npos);
        EXPECT_EQ(run(tool, "--frobnicate").exitCode, 1);
    }
}

TEST_F(ToolCommand, InfoRefusesWhatIsNotAPlugin) {
    std::ofstream(file("notes.txt")) << "hello\n";
    expectFailure(run(kInfo, "'" + file("notes.txt") + "'"), 3, "not a plug-in", "calyx2-info");
    expectFailure(run(kInfo, "'" + std::string(NULL_ENTRY_PLUGIN) + "'"), 3, "returned no instance", "calyx2-info");
    expectFailure(run(kInfo, "'" + file("missing.so") + "'"), 3, "no such file", "calyx2-info");
}

TEST_F(ToolCommand, InfoShowsWhatAHostSees) {
    REQUIRE_CALYX2();
    Result result = run(kInfo, "'" + kCalyx2 + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* part : {"KZC2", "effFlagsProgramChunks", "effFlagsIsSynth", "synth (2)", "Programs (32)",
                             "Parameters (69)", "LVL1", "D_FB", "receiveVstTimeInfo    yes"}) {
        EXPECT_NE(result.out.find(part), std::string::npos) << part;
    }
}

TEST_F(ToolCommand, RenderErrorsAndExitCodes) {
    REQUIRE_CALYX2();
    std::string plugin = "-p '" + kCalyx2 + "' ";
    std::string out = " -o '" + file("out.wav") + "'";
    std::string song = "'" + smallSong() + "'";
    expectFailure(run(kRender, plugin + "'" + file("missing.mid") + "'" + out), 2, "cannot read", "calyx2-render");
    writeBytes(file("garbage.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 9});
    expectFailure(run(kRender, plugin + "'" + file("garbage.mid") + "'" + out), 2, "truncated", "calyx2-render");
    smfbytes::Bytes endless;
    smfbytes::append(endless, {0x00, 0x90, 60, 100, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 60, 0});  // note-off days later
    smfbytes::append(endless, {0xFF, 0xFF, 0xFF, 0x7F, 0x80, 61, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 62, 0});
    writeBytes(file("endless.mid"), smfbytes::file(smfbytes::header(0, 1, 24), {smfbytes::track(endless)}));
    expectFailure(run(kRender, plugin + "'" + file("endless.mid") + "'" + out), 2, "is the file damaged", "calyx2-render");
    std::ofstream(file("fake.so")) << "not a library\n";
    expectFailure(run(kRender, "-p '" + file("fake.so") + "' " + song + out), 3, "not a plug-in", "calyx2-render");
    expectFailure(run(kRender, plugin + "--set NOPE=0.5 " + song + out), 1, "unknown parameter 'NOPE'", "calyx2-render");
    expectFailure(run(kRender, plugin + "--set LVL1=2 " + song + out), 1, "from 0 to 1", "calyx2-render");
    expectFailure(run(kRender, plugin + "--program 32 " + song + out), 1, "out of range (0..31)", "calyx2-render");
    expectFailure(run(kRender, plugin + "--program 'No Such Sound' " + song + out), 1, "no program named", "calyx2-render");
    expectFailure(run(kRender, plugin + song + " -o '" + file("no/such/dir/out.wav") + "'"), 4, "cannot write",
                  "calyx2-render");
    expectFailure(run(kRender, plugin + song + " -o '" + file("out.xyz") + "'"), 4, "unknown audio file type",
                  "calyx2-render");
    expectFailure(run(kRender, plugin + song), 1, "no output file", "calyx2-render");
    expectFailure(run(kRender, plugin + "-b 0 " + song + out), 1, "--blocksize", "calyx2-render");
    expectFailure(run(kRender, plugin + "--gain 100 " + song + out), 1, "--gain", "calyx2-render");
}

TEST_F(ToolCommand, RenderWritesWholeFilesAndLeavesOldOnesOnFailure) {
    REQUIRE_CALYX2();
    std::string plugin = "-p '" + kCalyx2 + "' ";
    std::string song = "'" + smallSong() + "'";
    std::string output = file("song.wav");
    std::ofstream(output) << "precious";
    expectFailure(run(kRender, plugin + "--set NOPE=1 " + song + " -o '" + output + "'"), 1, "NOPE", "calyx2-render");
    EXPECT_EQ(readText(output), "precious");

    Result result = run(kRender, plugin + "-s 44100 -d float --program 3 --set LVLm=0.5 " + song + " -o '" + output + "'");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("realtime"), std::string::npos) << "the summary";
    SF_INFO info{};
    SNDFILE* sound = sf_open(output.c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
    EXPECT_GE(info.frames, 44100 / 2) << "at least the half second of music";
    sf_close(sound);
    std::string leftovers = run("/bin/sh", "-c \"ls -a '" + directory_ + "' | grep -c partial\"").out;
    EXPECT_EQ(leftovers, "0\n") << "no temporary file left behind";

    Result quiet = run(kRender, plugin + "-q " + song + " -o - ");
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out.substr(0, 4), "RIFF");

    Result bench = run(kRender, plugin + "--bench " + song);
    EXPECT_EQ(bench.exitCode, 0) << bench.err;
    EXPECT_NE(bench.out.find("realtime:"), std::string::npos);
    EXPECT_NE(bench.out.find("per block:"), std::string::npos);
}

TEST_F(ToolCommand, PresetsExportListAndTextRoundTrip) {
    REQUIRE_CALYX2();
    std::string plugin = "-p '" + kCalyx2 + "' ";
    std::string bank = file("factory.fxb");
    ASSERT_EQ(run(kPresets, plugin + "export-bank '" + bank + "'").exitCode, 0);
    Result list = run(kPresets, plugin + "list '" + bank + "'");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("bank of 32 programs for plug-in 'KZC2'"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("  31  "), std::string::npos) << list.out;

    ASSERT_EQ(run(kPresets, plugin + "to-text '" + bank + "' '" + file("bank.txt") + "'").exitCode, 0);
    ASSERT_EQ(run(kPresets, plugin + "from-text '" + file("bank.txt") + "' '" + file("again.fxb") + "'").exitCode, 0);
    EXPECT_EQ(readText(file("again.fxb")), readText(bank)) << "bank -> text -> bank changes no byte";

    ASSERT_EQ(run(kPresets, plugin + "export-program 5 '" + file("five.fxp") + "'").exitCode, 0);
    ASSERT_EQ(run(kPresets, plugin + "to-text '" + file("five.fxp") + "' '" + file("five.txt") + "'").exitCode, 0);
    ASSERT_EQ(run(kPresets, plugin + "from-text '" + file("five.txt") + "' '" + file("five-again.fxp") + "'").exitCode, 0);
    EXPECT_EQ(readText(file("five-again.fxp")), readText(file("five.fxp")));

    std::ofstream(file("bad.txt")) << "program \"X\"\nNOT_A_PARAMETER = 0.5\n";
    expectFailure(run(kPresets, plugin + "from-text '" + file("bad.txt") + "' '" + file("x.fxp") + "'"), 2, "line 2",
                  "calyx2-presets");
    expectFailure(run(kPresets, plugin + "list '" + file("bad.txt") + "'"), 2, "not a VST preset file", "calyx2-presets");
    expectFailure(run(kPresets, plugin + "export-program 40 '" + file("x.fxp") + "'"), 1, "out of range", "calyx2-presets");
    expectFailure(run(kPresets, plugin + "frobnicate"), 1, "unknown command", "calyx2-presets");
}

}  // namespace
