// The standalone's audio thread as its back ends run it (queued notes taken, timed notes added, the
// plug-in rendered), counted while the window is open on a virtual display and its thread plays
// notes into the queue and pumps the panel and the strip: no heap block, no lock, no kernel call.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "standalone/MainWindow.h"
#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"
#include "tests/editor/x11/XvfbDisplay.h"
#include "tests/realtime/CallCounter.h"

namespace {
constexpr int kBlockSize = 256;
constexpr int kBlocks = 2000;

TEST(StandaloneAudioThread, TakesNoHeapBlockLockOrKernelCallWithTheWindowOpen) {
    if (!XvfbDisplay::installed()) GTEST_SKIP() << "Xvfb is not installed";
    XvfbDisplay server;
    ASSERT_TRUE(server.running()) << server.failure();
    setenv("DISPLAY", server.name().c_str(), 1);
    PluginDriver driver;
    driver.configure(48000.0f, kBlockSize);
    MidiMessageQueue keys;
    MainWindow window(driver, keys);
    std::string error;
    ASSERT_TRUE(window.open(error)) << error;

    std::vector<float> left(kBlockSize), right(kBlockSize);
    std::atomic<bool> done{false};
    CallCounts counted{};
    std::thread audio([&] {
        callCounterStart();
        for (int block = 0; block < kBlocks; ++block) {
            driver.addQueued(keys);
            const uint8_t note = uint8_t(36 + block % 48);
            driver.addEvent({block % 2 ? midi::noteOff : midi::noteOn, note, 90}, block % kBlockSize);
            driver.render(left.data(), right.data(), kBlockSize);
        }
        counted = callCounterStop();
        done = true;
    });
    for (int turn = 0; !done; ++turn) {
        keys.push({turn % 2 ? midi::noteOff : midi::noteOn, uint8_t(60 + turn % 12), 100});
        window.pump(1);
    }
    audio.join();
    EXPECT_EQ(counted.allocations, 0);
    EXPECT_EQ(counted.locks, 0);
    EXPECT_EQ(counted.systemCalls, 0) << (counted.lastSystemCall ? counted.lastSystemCall : "");
}
}  // namespace
