// What a host's audio thread may call (processEvents, processReplacing, setParameter, getParameter)
// takes no heap block, no lock and no kernel call, with the editor closed and with it open in a real
// X11 window that the test's own thread idles meanwhile, as a host's user-interface thread does.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/PluginModule.h"
#include "plugin/ParameterTable.h"
#include "tests/editor/x11/XvfbDisplay.h"
#include "tests/realtime/CallCounter.h"

// After GoogleTest, whose names Xlib's macros would take.
#include <X11/Xlib.h>

namespace {

constexpr int kBlockSize = 256;
constexpr int kBlocks = 400;

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo time{};
    time.tempo = 120.0;
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    return 0;
}

struct MidiBlock {
    VstMidiEvent events[2]{};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* pointers[2];
    } list{};

    VstEvents* notes(int block) {
        for (int i = 0; i < 2; ++i) {
            VstMidiEvent& event = events[i];
            event.type = kVstMidiType;
            event.byteSize = sizeof(VstMidiEvent);
            event.deltaFrames = i * 100;
            event.midiData[0] = char(i == 0 ? 0x90 : 0x80);
            event.midiData[1] = char(48 + (block + i) % 24);
            event.midiData[2] = 100;
            list.pointers[i] = reinterpret_cast<VstEvent*>(&event);
        }
        list.numEvents = 2;
        return reinterpret_cast<VstEvents*>(&list);
    }
};

class AudioThreadCalls : public ::testing::TestWithParam<bool> {};

TEST_P(AudioThreadCalls, TakeNoHeapBlockLockOrKernelCall) {
    const bool editorOpen = GetParam();
    std::unique_ptr<XvfbDisplay> server;
    Display* display = nullptr;
    Window parent = 0;
    if (editorOpen) {
        if (!XvfbDisplay::installed()) GTEST_SKIP() << "Xvfb is not installed";
        server = std::make_unique<XvfbDisplay>();
        ASSERT_TRUE(server->running()) << server->failure();
        setenv("DISPLAY", server->name().c_str(), 1);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 560, 320, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }

    std::string error;
    auto module = host::PluginModule::load(CALYX2_PLUGIN_FILE, error);
    ASSERT_NE(module, nullptr) << error;
    AEffect* effect = module->entry()(quietHost);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, kBlockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    if (editorOpen) {
        ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(parent), 0.0f), 1);
    }

    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[] = {left.data(), right.data()};
    MidiBlock midi;
    std::atomic<bool> done{false};
    CallCounts counted{};
    std::thread audio([&] {
        float sink = 0.0f;
        callCounterStart();
        for (int block = 0; block < kBlocks; ++block) {
            effect->dispatcher(effect, effProcessEvents, 0, 0, midi.notes(block), 0.0f);
            effect->processReplacing(effect, nullptr, outputs, kBlockSize);
            // Sweeps every parameter, so every kind of control on the panel is moved.
            const int index = block % param::Count;
            effect->setParameter(effect, index, float(block % 7) / 6.0f);
            sink += effect->getParameter(effect, index);
        }
        counted = callCounterStop();
        done = true;
        (void)sink;
    });
    while (!done) {
        if (editorOpen) effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        std::this_thread::yield();
    }
    audio.join();

    EXPECT_EQ(counted.allocations, 0);
    EXPECT_EQ(counted.locks, 0);
    EXPECT_EQ(counted.systemCalls, 0) << "the last was " << (counted.lastSystemCall ? counted.lastSystemCall : "");
    if (editorOpen) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    if (display != nullptr) XCloseDisplay(display);
}

INSTANTIATE_TEST_SUITE_P(Editor, AudioThreadCalls, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Open" : "Closed"; });

}  // namespace
