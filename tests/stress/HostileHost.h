// A host that does everything a VST 2.4 host may do and much that it should not: creates and
// closes the plug-in over and over, runs several instances on several threads, changes the sample
// rate and block size and switches processing on and off between blocks in random order, renders
// blocks of every length, automates from another thread while audio runs, and opens and closes the
// editor meanwhile. It checks what a host can see without sanitizers too: no sample is written
// outside the block it asked for, a suspended plug-in is silent, sane automation never makes the
// output NaN or infinite, and the answers that must stay in range do.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/HostedPlugin.h"
#include "host/PluginModule.h"

namespace stress {

struct Settings {
    std::string pluginPath;
    uint32_t seed = 1;
    int cycles = 1000;             // instantiate-and-close cycles
    int instances = 6;             // instances alive at once, each on its own thread
    int blocksPerInstance = 1500;  // hostile-sequencing blocks per concurrent instance
    int automatedBlocks = 20000;   // blocks rendered while another thread automates
    int hostileBlocks = 3000;      // blocks between absurd parameter values, rates and tempos
    int sweepLimit = 1024;         // blocks of every size 0..sweepLimit are rendered
    int editorCycles = 1000;       // editor open-idle-close cycles while the audio thread automates
};

struct Figures {
    std::atomic<int64_t> cycles{0};
    std::atomic<int64_t> moduleLoads{0};
    std::atomic<int64_t> instancesCreated{0};
    std::atomic<int> mostInstancesAtOnce{0};
    std::atomic<int64_t> blocks{0};
    std::atomic<int64_t> frames{0};
    std::atomic<int64_t> emptyBlocks{0};
    std::atomic<int64_t> soundingBlocks{0};  // blocks with a sample that is not zero
    std::atomic<int64_t> sampleRateChanges{0};
    std::atomic<int64_t> blockSizeChanges{0};
    std::atomic<int64_t> resumes{0};
    std::atomic<int64_t> suspends{0};
    std::atomic<int64_t> parameterChanges{0};
    std::atomic<int64_t> programAndChunkLoads{0};
    std::atomic<int64_t> editorOpens{0};
    std::atomic<int64_t> editorWindows{0};  // opens the editor answered with 1
    bool hasEditor = false;
};

class HostileHost;

// An instance that counts itself out of the live instances when it is closed.
struct CloseInstance {
    HostileHost* owner;
    void operator()(host::HostedPlugin* plugin) const;
};
using Instance = std::unique_ptr<host::HostedPlugin, CloseInstance>;

class HostileHost {
  public:
    explicit HostileHost(const Settings& settings);

    // Each returns false after printing what went wrong.
    bool runLifecycleCycles();
    bool runInstancesAtOnce();
    bool runEverySize();
    bool runAutomationWhileProcessing();
    bool runEditorCyclesWhileAutomating();
    bool runHostileValues();

    const Figures& figures() const { return counts; }
    void printFigures() const;

  private:
    friend struct CloseInstance;
    Instance createInstance(const std::shared_ptr<host::PluginModule>& module);
    Instance startPlayingInstance(std::vector<uint8_t>& bank, std::vector<uint8_t>& program);
    std::shared_ptr<host::PluginModule> loadModule();
    bool renderBlock(host::HostedPlugin& plugin, int frames, bool expectSilence, std::mt19937& random,
                     bool requireFinite = false);
    bool hostileSequence(host::HostedPlugin& plugin, int blocks, std::mt19937& random);
    bool checkAnswers(host::HostedPlugin& plugin);
    void fail(const std::string& what);

    Settings settings;
    Figures counts;
    std::shared_ptr<host::PluginModule> sharedModule;
    std::atomic<int> liveInstances{0};
    std::atomic<bool> failed{false};
};

}  // namespace stress
