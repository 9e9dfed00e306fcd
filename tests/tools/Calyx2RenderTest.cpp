// Rendering through the calyx2 binary: the demo piece sounds, stays finite, and every block size
// gives the same samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "SmfBytes.h"
#include "host/HostedPlugin.h"
#include "tools/common/DemoPiece.h"
#include "tools/common/Renderer.h"

namespace {

#ifdef CALYX2_PLUGIN_FILE
#define REQUIRE_CALYX2()
const char* const kCalyx2 = CALYX2_PLUGIN_FILE;
#else
#define REQUIRE_CALYX2() GTEST_SKIP() << "the calyx2 target is not part of this build"
const char* const kCalyx2 = "";
#endif

constexpr double kRate = 48000.0;

struct Render {
    std::vector<std::vector<float>> channels;
    tools::RenderStatistics statistics;
};

Render render(const tools::EventSchedule& schedule, int blockSize, int program = 0) {
    Render result;
    std::string error;
    auto plugin = host::HostedPlugin::load(kCalyx2, error);
    EXPECT_TRUE(plugin) << error;
    if (!plugin) return result;
    plugin->open();
    plugin->setSampleRate(static_cast<float>(kRate));
    plugin->setBlockSize(blockSize);
    plugin->setProgram(program);
    auto sink = [&](const float* const* data, int count, int32_t frames) {
        result.channels.resize(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) result.channels[c].insert(result.channels[c].end(), data[c], data[c] + frames);
        return true;
    };
    EXPECT_TRUE(tools::renderSchedule(*plugin, schedule, {}, sink, nullptr, result.statistics));
    return result;
}

tools::EventSchedule tempoChangingSong() {
    using namespace smfbytes;
    Bytes conductor;
    tempo(conductor, 0, 500000);
    tempo(conductor, 1920, 350000);
    tempo(conductor, 1920, 900000);
    endOfTrack(conductor, 0);
    Bytes notes;
    const int keys[] = {57, 60, 64, 69, 67, 64, 60, 62};
    for (int i = 0; i < 8; ++i) {
        delta(notes, i == 0 ? 0 : 240);
        append(notes, {0x90, keys[i], 100});
        delta(notes, 500);
        append(notes, {0x80, keys[i], 0});
    }
    append(notes, {0x00, 0xB0, 0x01, 0x50, 0x00, 0xE0, 0x00, 0x50});
    endOfTrack(notes, 0);
    tools::MidiFile file;
    std::string error;
    EXPECT_TRUE(tools::parseMidiFile(smfbytes::file(header(1, 2, 480), {track(conductor), track(notes)}), file, error));
    return tools::scheduleMidiFile(file, kRate, 120.0);
}

TEST(Calyx2Render, DemoPieceSoundsAndStaysFinite) {
    REQUIRE_CALYX2();
    tools::EventSchedule schedule = tools::scheduleMidiFile(tools::demoPiece(), kRate, tools::kDemoBeatsPerMinute);
    double musicSeconds = schedule.endSample / kRate;
    EXPECT_GE(musicSeconds, 10.0);
    EXPECT_LE(musicSeconds, 20.0);
    Render result = render(schedule, 512);
    ASSERT_EQ(result.channels.size(), 2u);
    EXPECT_FALSE(result.statistics.nonFinite);
    EXPECT_GT(result.statistics.peak, 0.05f);
    for (const auto& channel : result.channels) {
        double energy = 0.0;
        for (float sample : channel) {
            ASSERT_TRUE(std::isfinite(sample));
            energy += double(sample) * sample;
        }
        EXPECT_GT(std::sqrt(energy / channel.size()), 0.01) << "RMS";
    }
    // Sound in every part of the piece, not only at its start.
    for (double second = 1.0; second < musicSeconds - 1.0; second += 2.0) {
        size_t begin = static_cast<size_t>(second * kRate);
        float peak = 0.0f;
        for (size_t i = begin; i < begin + 24000; ++i) peak = std::max(peak, std::fabs(result.channels[0][i]));
        EXPECT_GT(peak, 0.01f) << "around " << second << " s";
    }
}

TEST(Calyx2Render, BlockSizeDoesNotChangeASample) {
    REQUIRE_CALYX2();
    for (const auto& schedule : {tempoChangingSong(),
                                 tools::scheduleMidiFile(tools::demoPiece(), kRate, tools::kDemoBeatsPerMinute)}) {
        Render reference = render(schedule, 64);
        ASSERT_FALSE(reference.channels.empty());
        for (int blockSize : {333, 1024}) {
            Render other = render(schedule, blockSize);
            ASSERT_EQ(other.channels.size(), reference.channels.size());
            for (size_t c = 0; c < reference.channels.size(); ++c) {
                ASSERT_EQ(other.channels[c].size(), reference.channels[c].size()) << "block size " << blockSize;
                size_t differing = 0, first = 0;
                for (size_t i = 0; i < reference.channels[c].size(); ++i) {
                    // Compared as bits: identical means identical.
                    if (std::memcmp(&other.channels[c][i], &reference.channels[c][i], sizeof(float)) != 0) {
                        if (differing++ == 0) first = i;
                    }
                }
                EXPECT_EQ(differing, 0u) << "block size " << blockSize << ", channel " << c << ", first at frame " << first;
            }
        }
    }
}

}  // namespace
