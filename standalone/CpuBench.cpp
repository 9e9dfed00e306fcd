#include "standalone/CpuBench.h"

#include "engine/ParameterIndex.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "standalone/MainWindow.h"
#include "standalone/MidiMessageQueue.h"
#include "standalone/PluginDriver.h"

namespace {
constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kSoundingNotes = 16;  // one of the 17 voices is always held back for the next note
constexpr uint8_t kFirstNote = 48;
constexpr uint8_t kVelocity = 100;
constexpr int kWindowPumpMilliseconds = 15;

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Renders in real time, block by block, as an audio device would ask, with every voice sounding.
// Returns the process's CPU time over the wall time, in percent of one core.
double measure(double seconds, MainWindow* window, PluginDriver& driver) {
    // Every envelope held at full sustain, so no voice falls silent while it is measured.
    for (int op = 0; op < 4; ++op) driver.setParameter(param::operatorBase(op) + param::S, 1.0f);
    driver.setParameter(param::Sm, 1.0f);
    driver.configure(kRate, kBlock);
    for (int n = 0; n < kSoundingNotes; ++n) driver.addEvent({midi::noteOn, uint8_t(kFirstNote + n), kVelocity}, 0);
    std::atomic<bool> done{false};
    const double cpuBefore = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::thread audio([&] {
        std::vector<float> left(kBlock), right(kBlock);
        const auto period = std::chrono::duration<double>(kBlock / double(kRate));
        const long blocks = long(seconds * kRate / kBlock);
        for (long block = 0; block < blocks; ++block) {
            driver.render(left.data(), right.data(), kBlock);
            std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      period * double(block + 1)));
        }
        done = true;
    });
    while (!done) {
        if (window != nullptr)
            window->pump(kWindowPumpMilliseconds);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(kWindowPumpMilliseconds));
    }
    audio.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return 100.0 * (processCpuSeconds() - cpuBefore) / wall;
}
}  // namespace

int runCpuBench(double seconds) {
    PluginDriver alone;
    const double withoutWindow = measure(seconds, nullptr, alone);
    std::printf("bench: %d notes, %.0f Hz, %d frames, %.1f s each: plug-in alone %.1f%% of one core", kSoundingNotes,
                double(kRate), kBlock, seconds, withoutWindow);
    std::fflush(stdout);

    PluginDriver shown;
    MidiMessageQueue keys;
    MainWindow window(shown, keys);
    std::string error;
    if (!window.open(error)) {
        std::printf("; with the window: not measured, %s\n", error.c_str());
        return 0;
    }
    const double withWindow = measure(seconds, &window, shown);
    std::printf("; with the window open %.1f%% (%+.1f)\n", withWindow, withWindow - withoutWindow);
    return 0;
}
