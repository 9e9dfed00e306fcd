// The five tools as whole programs against what users ran into: one command line per case, with the
// exit code, the message and the files it must leave alone. Cases that need calyx2 or Debian's
// dpf-plugins-vst (3 Band EQ, MVerb) skip without them. Every tool runs without a display.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "SmfBytes.h"
#include "ToolRunning.h"

namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

#ifdef CALYX2_PLUGIN_FILE
const std::string kCalyx2 = CALYX2_PLUGIN_FILE;
#else
const std::string kCalyx2;
#endif
const std::string kEqualiser = "/usr/lib/vst/3BandEQ-vst.so";
const std::string kReverb = "/usr/lib/vst/MVerb-vst.so";

// One note on a channel (1-16) after an optional program change, half a second at 120 bpm.
std::vector<uint8_t> oneNote(int channel, int program = -1) {
    using namespace smfbytes;
    Bytes events;
    if (program >= 0) append(events, {0x00, 0xC0 | (channel - 1), program});
    append(events, {0x00, 0x90 | (channel - 1), 60, 100, 0x83, 0x60, 0x80 | (channel - 1), 60, 0});
    endOfTrack(events, 0);
    return file(header(0, 1, 480), {track(events)});
}

class ToolFault : public testing::Test {
protected:
    void SetUp() override {
        directory_ = testing::TempDir() + "calyx2-faults-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : directory_) c = c == '/' || std::isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_';
        std::system(("rm -rf '" + directory_ + "' && mkdir -p '" + directory_ + "/vst'").c_str());
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        writeBytes(file("song.mid"), oneNote(1));
        writeBytes(file("drums.mid"), oneNote(10));
        writeBytes(file("change.mid"), oneNote(1, 5));
        for (const char* name : {"precious.wav", "precious.fxp", "target.wav"}) std::ofstream(file(name)) << "precious";
        std::system(("ln -s target.wav '" + file("link.wav") + "'").c_str());
        std::ofstream(file("range.txt")) << "program \"Loud\"\nLVL1 = 2.5\n";
        std::ofstream(file("named.txt")) << "program \"My Sound\"\nLow = 0.25\n";
        if (!kCalyx2.empty()) {
            std::system(("head -c 30000 '" + kCalyx2 + "' > '" + file("damaged.so") + "'").c_str());
            std::system(("ln -s '" + kCalyx2 + "' '" + file("vst/Mine-vst.so") + "'").c_str());
        }
    }
    void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

    std::string file(const std::string& name) const { return directory_ + "/" + name; }

    // Runs in the test's folder with $VST_PATH there; {calyx2} stands for the plug-in's path.
    Result run(const std::string& tool, std::string arguments) {
        arguments = std::regex_replace(arguments, std::regex("\\{calyx2\\}"), kCalyx2);
        std::string command = "cd '" + directory_ + "' && { VST_PATH='" + file("vst") + "' '" + tool + "' " + arguments +
                              "; } > stdout 2> stderr < /dev/null";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readText(file("stdout")),
                readText(file("stderr"))};
    }

    std::string directory_;
};

// A sound file's interleaved samples (headers hold time stamps, so files are compared by these).
std::vector<float> samplesOf(const std::string& path, SF_INFO& info) {
    info = SF_INFO{};
    SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
    if (!sound) return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    samples.resize(static_cast<size_t>(sf_readf_float(sound, samples.data(), info.frames) * info.channels));
    sf_close(sound);
    return samples;
}

// Sample-peak of a sound file; -1 when it cannot be read.
double peakOf(const std::string& path, SF_INFO& info) {
    std::vector<float> samples = samplesOf(path, info);
    if (info.channels == 0) return -1.0;
    double peak = 0.0;
    for (float sample : samples) peak = std::max(peak, std::fabs(double(sample)));
    return peak;
}

struct FaultCase {
    const char* name;
    const char* tool;  // render, info, presets, panel, bitmaps
    const char* arguments;
    int exitCode;
    const char* message;    // part of standard error
    const char* untouched;  // a file that must still hold "precious"
    const char* absent;     // a file that must not appear
    const char* needs;      // "calyx2", "dpf" or ""
};

const FaultCase kFaultCases[] = {
    {"PanelHelp", "panel", "--help", 0, "", "", "", ""},
    {"PanelVersion", "panel", "--version", 0, "", "", "", ""},
    {"PanelUnknownOptionIsUsage", "panel", "--frobnicate -o x.png", 1, "unknown option --frobnicate", "", "x.png", ""},
    {"PanelDashPIsNotAProgram", "panel", "-p 3 -o x.png", 1, "-p names a plug-in", "", "x.png", ""},
    {"PanelValueOutOfRange", "panel", "-s LVL1=3 -o x.png", 1, "--set LVL1=3: parameter values run from 0 to 1", "", "x.png", ""},
    {"PanelWritesOnlyPng", "panel", "-o x.jpg", 1, "name the file .png", "", "x.jpg", ""},
    {"BitmapsHelp", "bitmaps", "--help", 0, "", "", "--help", ""},
    {"BitmapsVersion", "bitmaps", "--version", 0, "", "", "--version", ""},
    {"BitmapsUsage", "bitmaps", "a b", 1, "expected one FOLDER", "", "", ""},
    {"InfoTakesPluginOption", "info", "--plugin {calyx2}", 0, "", "", "", "calyx2"},
    {"InfoWithoutDisplay", "info", "-p 3BandEQ", 0, "", "", "", "dpf"},
    {"InfoDamagedBinary", "info", "-p damaged.so", 3, "damaged plug-in binary (truncated", "", "", "calyx2"},
    {"RenderDamagedBinary", "render", "-p damaged.so song.mid -o x.wav", 3, "damaged plug-in binary", "", "x.wav", "calyx2"},
    {"PresetsDamagedBinary", "presets", "-p damaged.so export-bank x.fxb", 3, "damaged plug-in binary", "", "x.fxb", "calyx2"},
    {"RenderOverItsMidiFile", "render", "-p {calyx2} -m precious.wav -o precious.wav", 4, "it is the input",
     "precious.wav", "", "calyx2"},
    {"RenderOverItsInputThroughLink", "render", "-p 3BandEQ -i target.wav -o link.wav", 4, "it is the input",
     "target.wav", "", "dpf"},
    {"PresetsToTextOverItsInput", "presets", "-p {calyx2} to-text precious.fxp precious.fxp", 4, "it is the input",
     "precious.fxp", "", "calyx2"},
    {"PresetsTextValueOutOfRange", "presets", "-p {calyx2} from-text range.txt x.fxp", 2,
     "LVL1 = 2.5: parameter values run from 0 to 1", "", "x.fxp", "calyx2"},
    {"PresetsBankToStandardOutput", "presets", "-p {calyx2} export-bank -", 0, "", "", "", "calyx2"},
    {"RenderEffectWithoutInput", "render", "-p 3BandEQ song.mid -o x.wav", 1, "is an effect", "", "x.wav", "dpf"},
    {"RenderPluginByNameOnVstPath", "render", "-p Mine -q song.mid -o x.wav", 0, "", "", "", "calyx2"},
    {"RenderUnknownPluginName", "render", "-p NoSuchPlugin song.mid -o x.wav", 3, "no plug-in named 'NoSuchPlugin'", "",
     "x.wav", ""},
    {"RenderTrackNotInFile", "render", "-p {calyx2} --tracks 2 song.mid -o x.wav", 1, "the file has 1 track", "", "x.wav",
     "calyx2"},
    {"RenderNoChannelLeft", "render", "-p {calyx2} --channels 10 --skip-channels 10 song.mid -o x.wav", 1,
     "leave no channel", "", "x.wav", "calyx2"},
};

void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.tool << " " << fault.arguments; }

class ToolFaultCase : public ToolFault, public testing::WithParamInterface<FaultCase> {};

std::string toolPath(const std::string& tool) {
    if (tool == "render") return CALYX2_RENDER_TOOL;
    if (tool == "info") return CALYX2_INFO_TOOL;
    if (tool == "presets") return CALYX2_PRESETS_TOOL;
#ifdef CALYX2_PANEL_TOOL
    if (tool == "panel") return CALYX2_PANEL_TOOL;
#endif
    if (tool == "bitmaps") return CALYX2_BITMAPS_TOOL;
    return "";
}

TEST_P(ToolFaultCase, ExitCodeMessageAndFiles) {
    const FaultCase& fault = GetParam();
    if (toolPath(fault.tool).empty()) GTEST_SKIP() << fault.tool << " is not part of this build";
    if (std::string(fault.needs) == "calyx2" && kCalyx2.empty()) GTEST_SKIP() << "needs the calyx2 target";
    if (std::string(fault.needs) == "dpf" && (!exists(kEqualiser) || kCalyx2.empty())) GTEST_SKIP() << "needs dpf-plugins-vst";
    Result result = run(toolPath(fault.tool), fault.arguments);
    EXPECT_EQ(result.exitCode, fault.exitCode) << result.err;
    if (*fault.message) {
        EXPECT_NE(result.err.find(fault.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.rfind("calyx2-" + std::string(fault.tool) + ": ", 0), 0u) << result.err;
    }
    if (*fault.untouched) {
        EXPECT_EQ(readText(file(fault.untouched)), "precious");
    }
    if (*fault.absent) {
        EXPECT_FALSE(exists(file(fault.absent))) << fault.absent;
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolFaultCase, testing::ValuesIn(kFaultCases),
                         [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

#ifdef CALYX2_PLUGIN_FILE

TEST_F(ToolFault, RenderOutputFormatLevelAndLinks) {
    const std::string render = CALYX2_RENDER_TOOL;
    SF_INFO info;
    ASSERT_EQ(run(render, "-p {calyx2} -q -d 32 song.mid -o link.wav").exitCode, 0);
    EXPECT_TRUE(exists(file("link.wav")) && readText(file("target.wav")).substr(0, 4) == "RIFF") << "replaced at the target";
    struct stat link {};
    lstat(file("link.wav").c_str(), &link);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link stays a link";
    peakOf(file("target.wav"), info);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_32) << "-d 32 is 32-bit integer, as in sox";

    Result loud = run(render, "-p {calyx2} --gain 24 -d float song.mid -o loud.wav");
    EXPECT_NE(loud.err.find("exceeds full scale"), std::string::npos) << loud.err;
    ASSERT_EQ(run(render, "-p {calyx2} -q --normalize -1 --gain 0 -d float song.mid -o normal.wav").exitCode, 0);
    EXPECT_NEAR(20 * std::log10(peakOf(file("normal.wav"), info)), -1.0, 0.001);

    Result bench = run(render, "-p {calyx2} --bench song.mid");
    peakOf(file("loud.wav"), info);
    char audio[64];
    std::snprintf(audio, sizeof audio, "audio:         %.2f s", double(info.frames) / info.samplerate);
    EXPECT_NE(bench.out.find(audio), std::string::npos) << "the length the file holds, not what was rendered\n" << bench.out;

    // A pipe cannot be rewound for the header: the stream carries all-ones lengths and is read to its end.
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float song.mid -o plain.wav").exitCode, 0);
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float song.mid -o - | cat").exitCode, 0);
    SF_INFO piped;
    EXPECT_EQ(peakOf(file("stdout"), piped), peakOf(file("plain.wav"), info));
    EXPECT_EQ(piped.frames, info.frames);
}

TEST_F(ToolFault, RenderChannelsTracksAndProgramChanges) {
    const std::string render = CALYX2_RENDER_TOOL;
    SF_INFO info;
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float drums.mid -o all.wav").exitCode, 0);
    EXPECT_GT(peakOf(file("all.wav"), info), 0.01);
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float --skip-channels 10 drums.mid -o no-drums.wav").exitCode, 0);
    EXPECT_EQ(peakOf(file("no-drums.wav"), info), 0.0);
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float --tracks 1 --channels 1-9,11-16 drums.mid -o none.wav").exitCode, 0);
    EXPECT_EQ(peakOf(file("none.wav"), info), 0.0);

    ASSERT_EQ(run(render, "-p {calyx2} -q -d float --program 5 song.mid -o chosen.wav").exitCode, 0);
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float --follow-program-changes change.mid -o followed.wav").exitCode, 0);
    ASSERT_EQ(run(render, "-p {calyx2} -q -d float change.mid -o ignored.wav").exitCode, 0);
    std::vector<float> chosen = samplesOf(file("chosen.wav"), info);
    EXPECT_EQ(samplesOf(file("followed.wav"), info), chosen);
    EXPECT_NE(samplesOf(file("ignored.wav"), info), chosen);
}

TEST_F(ToolFault, EffectsChainsInfoAndPresetTextOfOtherPlugins) {
    if (!exists(kEqualiser) || !exists(kReverb)) GTEST_SKIP() << "needs dpf-plugins-vst";
    const std::string render = CALYX2_RENDER_TOOL;
    SF_INFO info;
    ASSERT_EQ(run(render, "-p {calyx2} -p MVerb -q song.mid -o chain.wav").exitCode, 0);
    EXPECT_GT(peakOf(file("chain.wav"), info), 0.01);
    ASSERT_EQ(run(render, "-p 3BandEQ -q -i chain.wav -o equalised.wav").exitCode, 0);
    EXPECT_GT(peakOf(file("equalised.wav"), info), 0.01);

    Result text = run(CALYX2_INFO_TOOL, "-p 3BandEQ");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    std::smatch header;
    ASSERT_TRUE(std::regex_search(text.out, header, std::regex("\n( +index +name +)value")));
    EXPECT_NE(text.out.find("\n  4      Low-Mid Freq" + std::string(header[1].length() - 21, ' ') + "0.219999999 "),
              std::string::npos) << "values in one column after the longest name\n" << text.out;
    Result json = run(CALYX2_INFO_TOOL, "--json -p 3BandEQ");
    EXPECT_NE(json.out.find("{\"index\": 0, \"name\": \"Low\", \"label\": \"dB\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"value\": 0.5"), std::string::npos);

    ASSERT_EQ(run(CALYX2_PRESETS_TOOL, "-p 3BandEQ from-text named.txt named.fxp").exitCode, 0);
    Result named = run(CALYX2_PRESETS_TOOL, "-p 3BandEQ to-text named.fxp -");
    EXPECT_EQ(named.out.rfind("# 3 Band EQ programs", 0), 0u) << named.out;
    EXPECT_NE(named.out.find("program \"My Sound\""), std::string::npos) << named.out;
}

#endif

}  // namespace
