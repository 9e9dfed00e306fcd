#include "tests/stress/HostileHost.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <mutex>
#include <thread>

#include "tests/support/MidiEvent.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(CALYX2_STRESS_X11)
#include <X11/Xlib.h>
#endif

namespace stress {
namespace {

constexpr int kGuardSamples = 16;
constexpr uint32_t kGuardBits = 0x7FC0DEADu;  // a NaN no plug-in computes by accident
constexpr int kLargestHostBlock = 4096;
constexpr float kSampleRates[] = {44100.0f,  48000.0f, 88200.0f, 96000.0f,
                                  192000.0f, 22050.0f, 8000.0f,  11025.5f};
constexpr int kBlockSizes[] = {1, 2, 17, 64, 256, 1000, 1024, kLargestHostBlock};

float guardValue() {
    float value;
    std::memcpy(&value, &kGuardBits, sizeof value);
    return value;
}

bool isGuard(float value) {
    return std::memcmp(&value, &kGuardBits, sizeof value) == 0;
}

template <typename T>
T pick(std::mt19937& random, const T* values, size_t count) {
    return values[std::uniform_int_distribution<size_t>(0, count - 1)(random)];
}

int uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

// A VstEvents list with storage for a few MIDI events, as a host keeps one per instance.
struct MidiList {
    static constexpr int kCapacity = 8;
    VstMidiEvent events[kCapacity];
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* pointers[kCapacity];
    } list;

    VstEvents* fill(std::mt19937& random, int frames) {
        const int count = frames > 0 ? uniform(random, 0, 3) : 0;
        int offset = 0;
        for (int i = 0; i < count; ++i) {
            offset = uniform(random, offset, frames - 1);
            const int kind = uniform(random, 0, 9);
            const int channel = uniform(random, 0, 15);
            VstMidiEvent& event = events[i];
            if (kind < 5) {
                const int key = uniform(random, 24, 96);
                event = midiEvent(0x90 | channel, key, uniform(random, 1, 127), offset);
            } else if (kind < 8) {
                event = midiEvent(0x80 | channel, uniform(random, 24, 96), 0, offset);
            } else if (kind == 8) {
                const int low = uniform(random, 0, 127);
                event = midiEvent(0xE0 | channel, low, uniform(random, 0, 127), offset);
            } else {
                const int controller = uniform(random, 0, 15) ? 1 : 123;
                event = midiEvent(0xB0 | channel, controller, uniform(random, 0, 127), offset);
            }
            list.pointers[i] = reinterpret_cast<VstEvent*>(&event);
        }
        list.numEvents = count;
        list.reserved = 0;
        return reinterpret_cast<VstEvents*>(&list);
    }
};

// The editor's parent, as the host's user-interface thread makes it: a top-level window on Windows
// and, where the stress program is built with Xlib and a display is set, on X11; elsewhere nothing,
// which the offscreen window system accepts and the X11 one refuses.
class ParentWindow {
  public:
    ParentWindow() {
#ifdef _WIN32
        handle = CreateWindowExA(0, "STATIC", "calyx2 stress", WS_OVERLAPPEDWINDOW, 0, 0, 600, 360, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
#elif defined(CALYX2_STRESS_X11)
        display = XOpenDisplay(nullptr);
        if (display) {
            window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 600, 360, 0, 0, 0);
            XMapWindow(display, window);
            XFlush(display);
            handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
        }
#endif
    }
    ~ParentWindow() {
#ifdef _WIN32
        if (handle) DestroyWindow(static_cast<HWND>(handle));
#elif defined(CALYX2_STRESS_X11)
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
#endif
    }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    void* get() const {
        return handle;
    }
    void pumpMessages() {
#ifdef _WIN32
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
#elif defined(CALYX2_STRESS_X11)
        while (display && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
#endif
    }

  private:
    void* handle = nullptr;
#if defined(CALYX2_STRESS_X11) && !defined(_WIN32)
    Display* display = nullptr;
    Window window = 0;
#endif
};

}  // namespace

HostileHost::HostileHost(const Settings& settings) : settings(settings) {
    sharedModule = loadModule();
    if (!sharedModule) return;
    auto probe = createInstance(sharedModule);
    counts.hasEditor = probe && probe->hasFlag(effFlagsHasEditor);
}

void HostileHost::fail(const std::string& what) {
    static std::mutex printing;
    std::lock_guard<std::mutex> lock(printing);
    std::fprintf(stderr, "FAILED (seed %u): %s\n", settings.seed, what.c_str());
    failed = true;
}

std::shared_ptr<host::PluginModule> HostileHost::loadModule() {
    std::string error;
    auto module = host::PluginModule::load(settings.pluginPath, error);
    if (!module) fail(error);
    ++counts.moduleLoads;
    return module;
}

void CloseInstance::operator()(host::HostedPlugin* plugin) const {
    delete plugin;
    --owner->liveInstances;
}

Instance HostileHost::createInstance(const std::shared_ptr<host::PluginModule>& module) {
    std::string error;
    auto plugin = module ? host::HostedPlugin::create(module, error) : nullptr;
    if (!plugin) {
        fail("no instance: " + error);
        return Instance(nullptr, CloseInstance{this});
    }
    ++counts.instancesCreated;
    const int live = ++liveInstances;
    int most = counts.mostInstancesAtOnce.load();
    while (live > most && !counts.mostInstancesAtOnce.compare_exchange_weak(most, live)) {
    }
    return Instance(plugin.release(), CloseInstance{this});
}

bool HostileHost::renderBlock(host::HostedPlugin& plugin, int frames, bool expectSilence,
                              std::mt19937& random, bool requireFinite) {
    thread_local MidiList midi;
    plugin.dispatch(effProcessEvents, 0, 0, midi.fill(random, frames));

    // Guards on both sides of each channel catch stray writes even without a sanitizer.
    const size_t length = static_cast<size_t>(std::max(frames, 0));
    std::vector<float> left(length + 2 * kGuardSamples, guardValue());
    std::vector<float> right(left);
    float* outputs[2] = {left.data() + kGuardSamples, right.data() + kGuardSamples};
    float* inputs[2] = {nullptr, nullptr};
    plugin.effect()->processReplacing(plugin.effect(), inputs, outputs, frames);
    ++counts.blocks;
    counts.frames += static_cast<int64_t>(length);
    if (frames == 0) ++counts.emptyBlocks;

    for (size_t i = 0; i < length; ++i) {
        if (left[kGuardSamples + i] != 0.0f) {
            ++counts.soundingBlocks;
            break;
        }
    }
    for (const std::vector<float>* channel : {&left, &right}) {
        for (int i = 0; i < kGuardSamples; ++i) {
            if (!isGuard((*channel)[i]) || !isGuard((*channel)[length + kGuardSamples + i])) {
                fail("a block of " + std::to_string(frames) + " frames wrote outside its buffer");
                return false;
            }
        }
        for (size_t i = 0; i < length; ++i) {
            const float sample = (*channel)[kGuardSamples + i];
            if (isGuard(sample)) {
                fail("a block of " + std::to_string(frames) + " frames left sample " + std::to_string(i) +
                     " unwritten");
                return false;
            }
            if (expectSilence && sample != 0.0f) {
                fail("a suspended plug-in rendered sound");
                return false;
            }
            if (requireFinite && !std::isfinite(sample)) {
                fail("sane parameter values gave a sample that is not finite");
                return false;
            }
        }
    }
    return true;
}

bool HostileHost::checkAnswers(host::HostedPlugin& plugin) {
    const VstIntPtr program = plugin.dispatch(effGetProgram);
    if (program < 0 || program >= plugin.numPrograms()) {
        fail("effGetProgram answered " + std::to_string(program));
        return false;
    }
    for (bool oneProgram : {true, false}) {
        void* data = nullptr;
        const VstIntPtr size = plugin.dispatch(effGetChunk, oneProgram ? 1 : 0, 0, &data);
        if (!data || size != (oneProgram ? 276 : 9600)) {
            fail("effGetChunk answered " + std::to_string(size) + " bytes");
            return false;
        }
    }
    return true;
}

// Between blocks, in random order: processing switched on and off (twice in a row too), the sample
// rate and block size changed while on and while off (absurd sizes included), programs switched.
bool HostileHost::hostileSequence(host::HostedPlugin& plugin, int blocks, std::mt19937& random) {
    bool resumed = false;
    int hostBlock = 1024;
    for (int b = 0; b < blocks && !failed; ++b) {
        switch (uniform(random, 0, 15)) {
            case 0:
                plugin.resume();
                resumed = true;
                ++counts.resumes;
                break;
            case 1:
                plugin.suspend();
                resumed = false;
                ++counts.suspends;
                break;
            case 2:
                plugin.setSampleRate(pick(random, kSampleRates, std::size(kSampleRates)));
                ++counts.sampleRateChanges;
                break;
            case 3:
                hostBlock = pick(random, kBlockSizes, std::size(kBlockSizes));
                plugin.setBlockSize(hostBlock);
                ++counts.blockSizeChanges;
                break;
            case 4: {  // sizes no host should send; the next honest size follows before rendering
                const VstIntPtr absurd[] = {0, -1, 1 << 20, std::numeric_limits<VstInt32>::max()};
                plugin.dispatch(effSetBlockSize, 0, pick(random, absurd, std::size(absurd)));
                ++counts.blockSizeChanges;
                if (uniform(random, 0, 1)) {
                    plugin.dispatch(effMainsChanged, 0, 1);
                    ++counts.resumes;
                    resumed = true;
                }
                plugin.setBlockSize(hostBlock);
                break;
            }
            case 5:
                plugin.dispatch(effMainsChanged, 0, 1);
                resumed = true;
                ++counts.resumes;
                break;
            case 6:
                plugin.setProgram(uniform(random, 0, 31));
                ++counts.programAndChunkLoads;
                break;
            case 7:
                if (uniform(random, 0, 1))
                    plugin.setTempo(uniform(random, 40, 240));
                else
                    plugin.clearTempo();
                break;
            default:
                break;
        }
        const int frames = uniform(random, 0, 7) == 0 ? hostBlock : uniform(random, 0, hostBlock);
        if (!renderBlock(plugin, frames, !resumed, random)) return false;
    }
    return checkAnswers(plugin);
}

bool HostileHost::runLifecycleCycles() {
    std::mt19937 random(settings.seed);
    std::shared_ptr<host::PluginModule> module = sharedModule;
    for (int cycle = 0; cycle < settings.cycles && !failed; ++cycle) {
        // Now and then the library itself goes and comes back, as when a host rescans.
        if (cycle % 100 == 99) {
            module.reset();
            module = loadModule();
        }
        auto plugin = createInstance(module);
        if (!plugin) return false;
        switch (cycle % 6) {
            case 0:
                break;  // closed without ever being opened
            case 1:
                plugin->open();
                break;
            case 2:
                plugin->open();
                plugin->setSampleRate(pick(random, kSampleRates, std::size(kSampleRates)));
                plugin->setBlockSize(uniform(random, 1, 512));
                plugin->resume();
                renderBlock(*plugin, uniform(random, 0, plugin->blockSize()), false, random, true);
                plugin->suspend();
                break;
            case 3:  // closed while still processing: the host never suspends
                plugin->open();
                plugin->dispatch(effMainsChanged, 0, 1);
                renderBlock(*plugin, 256, false, random, true);
                break;
            case 4:  // switched on twice and off twice
                plugin->dispatch(effMainsChanged, 0, 1);
                plugin->dispatch(effMainsChanged, 0, 1);
                plugin->dispatch(effMainsChanged, 0, 0);
                plugin->dispatch(effMainsChanged, 0, 0);
                renderBlock(*plugin, 64, true, random);
                break;
            case 5:  // state round trip, then closed with the editor still open
                plugin->open();
                plugin->setChunk(plugin->chunk(false), false);
                plugin->setProgram(uniform(random, 0, 31));
                if (counts.hasEditor) {
                    ParentWindow parent;
                    if (plugin->dispatch(effEditOpen, 0, 0, parent.get()) == 1) ++counts.editorWindows;
                    ++counts.editorOpens;
                    plugin->dispatch(effEditIdle);
                    parent.pumpMessages();
                    plugin.reset();
                }
                break;
        }
        if (plugin && !checkAnswers(*plugin)) return false;
        plugin.reset();
        ++counts.cycles;
    }
    return !failed;
}

bool HostileHost::runInstancesAtOnce() {
    std::vector<std::thread> threads;
    for (int t = 0; t < settings.instances; ++t) {
        threads.emplace_back([this, t] {
            std::mt19937 random(settings.seed * 7919u + static_cast<uint32_t>(t));
            const int rounds = 3;
            for (int round = 0; round < rounds && !failed; ++round) {
                auto plugin = createInstance(sharedModule);
                if (!plugin) return;
                plugin->open();
                hostileSequence(*plugin, settings.blocksPerInstance / rounds, random);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    return !failed;
}

// Every block length from 0 to the block size, at small sizes and a large one, then the same after
// the block size has grown without a new effMainsChanged (the plug-in's buffers are still the old).
bool HostileHost::runEverySize() {
    std::mt19937 random(settings.seed + 17);
    auto plugin = createInstance(sharedModule);
    if (!plugin) return false;
    plugin->open();
    plugin->setSampleRate(48000.0f);
    for (int size : {1, 2, 3, 31, 64, 257, settings.sweepLimit}) {
        plugin->setBlockSize(size);
        plugin->resume();
        for (int frames = 0; frames <= size && !failed; ++frames)
            renderBlock(*plugin, frames, false, random, true);
        plugin->suspend();
    }
    plugin->setBlockSize(100);
    plugin->resume();
    plugin->setBlockSize(300);
    for (int frames = 0; frames <= 300 && !failed; ++frames)
        renderBlock(*plugin, frames, false, random, true);
    const bool answered = checkAnswers(*plugin);
    return answered && !failed;
}

// The audio thread renders while a second thread automates, switches programs and loads chunks,
// and a third opens and closes the editor, as a host's user-interface thread would.
// An instance set up as a sequencer plays: 44.1 kHz, blocks of up to 256 frames, a tempo, resumed;
// with the bank and program chunks it started with, for loading again later.
Instance HostileHost::startPlayingInstance(std::vector<uint8_t>& bank, std::vector<uint8_t>& program) {
    auto plugin = createInstance(sharedModule);
    if (!plugin) return plugin;
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(256);
    plugin->setTempo(120.0);
    bank = plugin->chunk(false);
    program = plugin->chunk(true);
    plugin->resume();
    return plugin;
}

bool HostileHost::runAutomationWhileProcessing() {
    std::vector<uint8_t> bank, program;
    auto plugin = startPlayingInstance(bank, program);
    if (!plugin) return false;

    std::atomic<bool> audioDone{false};
    std::thread automation([&] {
        std::mt19937 random(settings.seed + 29);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int64_t change = 0; !audioDone && !failed; ++change) {
            plugin->setParameter(uniform(random, 0, 68), unit(random));
            plugin->parameter(uniform(random, 0, 68));
            ++counts.parameterChanges;
            if (change % 64 == 0) {
                plugin->dispatch(effSetProgram, 0, uniform(random, 0, 31));
                ++counts.programAndChunkLoads;
            }
            if (change % 256 == 128) {
                const bool one = uniform(random, 0, 1) == 1;
                const std::vector<uint8_t>& chunk = one ? program : bank;
                plugin->dispatch(effSetChunk, one ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                                 const_cast<uint8_t*>(chunk.data()));
                void* data = nullptr;
                plugin->dispatch(effGetChunk, 0, 0, &data);
                ++counts.programAndChunkLoads;
            }
            if (change % 16 == 0) std::this_thread::yield();
        }
    });
    std::thread editor;
    if (counts.hasEditor) {
        editor = std::thread([&] {
            ParentWindow parent;
            while (!audioDone && !failed) {
                ERect* rect = nullptr;
                plugin->dispatch(effEditGetRect, 0, 0, &rect);
                if (plugin->dispatch(effEditOpen, 0, 0, parent.get()) == 1) ++counts.editorWindows;
                ++counts.editorOpens;
                for (int i = 0; i < 5; ++i) {
                    plugin->dispatch(effEditIdle);
                    parent.pumpMessages();
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                plugin->dispatch(effEditClose);
                parent.pumpMessages();
            }
        });
    }

    std::mt19937 random(settings.seed + 31);
    for (int b = 0; b < settings.automatedBlocks && !failed; ++b)
        renderBlock(*plugin, uniform(random, 1, 256), false, random, true);
    audioDone = true;
    automation.join();
    if (editor.joinable()) editor.join();
    const bool answered = checkAnswers(*plugin);
    return answered && !failed;
}

// A host's two threads as they really run: the audio thread renders and automates a parameter every
// block, at full rate; the user-interface thread opens the editor, idles it, moves parameters as the
// panel does, switches programs, loads chunks and closes it again, editorCycles times. Closing while
// the audio thread pushes values is what must never reach a window that is going away.
bool HostileHost::runEditorCyclesWhileAutomating() {
    if (!counts.hasEditor) return true;
    std::vector<uint8_t> bank, program;
    auto plugin = startPlayingInstance(bank, program);
    if (!plugin) return false;

    std::atomic<bool> editorDone{false};
    std::thread audio([&] {
        std::mt19937 random(settings.seed + 37);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int block = 0; !editorDone && !failed; ++block) {
            renderBlock(*plugin, uniform(random, 1, 256), false, random, true);
            plugin->setParameter(block % plugin->numParameters(), unit(random));
            ++counts.parameterChanges;
        }
    });

    std::mt19937 random(settings.seed + 41);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    ParentWindow parent;
    for (int cycle = 0; cycle < settings.editorCycles && !failed; ++cycle) {
        if (plugin->dispatch(effEditOpen, 0, 0, parent.get()) == 1) ++counts.editorWindows;
        ++counts.editorOpens;
        for (int idle = 0; idle < 3; ++idle) {
            plugin->setParameter(uniform(random, 0, plugin->numParameters() - 1), unit(random));
            plugin->dispatch(effEditIdle);
            parent.pumpMessages();
        }
        if (cycle % 8 == 3) plugin->dispatch(effSetProgram, 0, uniform(random, 0, plugin->numPrograms() - 1));
        if (cycle % 8 == 7) {
            plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), const_cast<uint8_t*>(bank.data()));
        }
        if (cycle % 8 == 3 || cycle % 8 == 7) ++counts.programAndChunkLoads;
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
        parent.pumpMessages();
    }
    editorDone = true;
    audio.join();
    return checkAnswers(*plugin) && !failed;
}

// Values no panel produces, between blocks: NaN, infinities, denormals and huge numbers as
// parameters, sample rates and tempos. Only survival is asked for; the sound is the host's fault.
bool HostileHost::runHostileValues() {
    std::mt19937 random(settings.seed + 43);
    auto plugin = createInstance(sharedModule);
    if (!plugin) return false;
    plugin->open();
    plugin->setBlockSize(512);
    plugin->resume();
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(),
                            -1.0e-40f,
                            3.0e38f,
                            -3.0e38f,
                            2.0f,
                            -1.0f,
                            0.0f,
                            1.0f,
                            1.0e9f};
    const double tempos[] = {120.0,
                             0.0,
                             -60.0,
                             1.0e-300,
                             1.0e300,
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (int b = 0; b < settings.hostileBlocks && !failed; ++b) {
        const int changes = uniform(random, 0, 4);
        for (int i = 0; i < changes; ++i) {
            plugin->setParameter(uniform(random, 0, 68), pick(random, values, std::size(values)));
            ++counts.parameterChanges;
        }
        if (b % 40 == 0) plugin->setTempo(pick(random, tempos, std::size(tempos)));
        if (b % 50 == 25) {
            plugin->dispatch(effSetSampleRate, 0, 0, nullptr, pick(random, values, std::size(values)));
            ++counts.sampleRateChanges;
        }
        if (b % 100 == 99) {
            plugin->setProgram(uniform(random, 0, 31));
            plugin->setSampleRate(44100.0f);
            ++counts.programAndChunkLoads;
        }
        renderBlock(*plugin, uniform(random, 0, 512), false, random);
    }
    const bool answered = checkAnswers(*plugin);
    return answered && !failed;
}

void HostileHost::printFigures() const {
    std::printf(
        "cycles %lld (library loaded %lld times), instances created %lld, at most %d at once\n"
        "blocks %lld (%lld empty, %lld sounding), frames %lld\n"
        "between blocks: %lld sample-rate changes, %lld block-size changes, %lld resumes, %lld suspends\n"
        "from other threads: %lld parameter changes, %lld program and chunk loads\n"
        "editor: %s, opened %lld times (%lld with a window)\n",
        static_cast<long long>(counts.cycles), static_cast<long long>(counts.moduleLoads),
        static_cast<long long>(counts.instancesCreated), counts.mostInstancesAtOnce.load(),
        static_cast<long long>(counts.blocks), static_cast<long long>(counts.emptyBlocks),
        static_cast<long long>(counts.soundingBlocks), static_cast<long long>(counts.frames),
        static_cast<long long>(counts.sampleRateChanges), static_cast<long long>(counts.blockSizeChanges),
        static_cast<long long>(counts.resumes), static_cast<long long>(counts.suspends),
        static_cast<long long>(counts.parameterChanges), static_cast<long long>(counts.programAndChunkLoads),
        counts.hasEditor ? "present" : "none reported (effFlagsHasEditor clear), open and close skipped",
        static_cast<long long>(counts.editorOpens), static_cast<long long>(counts.editorWindows));
}

}  // namespace stress
