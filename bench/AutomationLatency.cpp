// calyx2_automation_latency: how long the audio thread's setParameter takes while a host plays
// automation, with the editor closed and with it open in an X11 window whose thread idles it at
// about 30 Hz and moves parameters as a user on the panel would. Prints the mean, the 99.9th
// percentile, the longest call and the calls over 1 ms for each. Starts a virtual display of its
// own when none is set.
//
// Usage: calyx2_automation_latency <calyx2.so> [calls]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/PluginModule.h"
#include "tests/editor/x11/XvfbDisplay.h"
// After the project's headers, whose names Xlib's macros would take.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlockSize = 256;
constexpr int kParameterCount = 69;

VstIntPtr VSTCALLBACK benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = 120.0;
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}

struct Latencies {
    std::vector<double> microseconds;
    void print(const char* label) {
        std::sort(microseconds.begin(), microseconds.end());
        double sum = 0.0;
        long overOneMillisecond = 0;
        for (double value : microseconds) {
            sum += value;
            overOneMillisecond += value > 1000.0;
        }
        const size_t count = microseconds.size();
        std::printf("%-13s %8zu calls  mean %7.2f us  99.9%% %8.2f us  max %9.2f us  over 1 ms: %ld\n", label, count,
                    sum / double(count), microseconds[std::min(count - 1, count * 999 / 1000)], microseconds.back(),
                    overOneMillisecond);
    }
};

// The audio thread renders blocks and times one automated parameter per block, as hosts play a lane.
Latencies automate(AEffect* effect, int calls) {
    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[] = {left.data(), right.data()};
    Latencies latencies;
    latencies.microseconds.reserve(size_t(calls));
    for (int call = 0; call < calls; ++call) {
        effect->processReplacing(effect, nullptr, outputs, kBlockSize);
        const Clock::time_point start = Clock::now();
        effect->setParameter(effect, call % kParameterCount, float(call % 101) / 100.0f);
        latencies.microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return latencies;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <calyx2.so> [calls]\n", argv[0]);
        return 2;
    }
    const int calls = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    std::unique_ptr<XvfbDisplay> server;
    if (std::getenv("DISPLAY") == nullptr) {
        server = std::make_unique<XvfbDisplay>();
        if (!server->running()) {
            std::fprintf(stderr, "no display: %s\n", server->failure().c_str());
            return 1;
        }
        setenv("DISPLAY", server->name().c_str(), 1);
    }
    std::string error;
    auto module = host::PluginModule::load(argv[1], error);
    if (!module) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    AEffect* effect = module->entry()(benchHost);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, kBlockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    automate(effect, calls).print("editor closed");

    Display* display = XOpenDisplay(nullptr);
    Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 560, 320, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    if (effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(parent), 0.0f) != 1) {
        std::fprintf(stderr, "the editor did not open\n");
        return 1;
    }
    std::atomic<bool> done{false};
    Latencies open;
    std::thread audio([&] {
        open = automate(effect, calls);
        done = true;
    });
    for (int tick = 0; !done; ++tick) {
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        effect->setParameter(effect, (tick * 7) % kParameterCount, float(tick % 13) / 12.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    audio.join();
    open.print("editor open");

    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
    return 0;
}
