// calyx2-stress: the hostile host run against a plug-in binary.
// Usage: calyx2-stress <plug-in> [--seed N] [--cycles N] [--instances N] [--blocks N]
//                      [--automated-blocks N] [--hostile-blocks N] [--sweep N] [--editor-cycles N]
//                      [--only SCENARIO]
// Exits 0 when every scenario passed, 1 when one failed, 2 on bad arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "tests/stress/HostileHost.h"

namespace {
bool readOption(int argc, char** argv, int& i, const char* name, long& value) {
    if (std::strcmp(argv[i], name) != 0 || i + 1 >= argc) return false;
    char* end = nullptr;
    value = std::strtol(argv[++i], &end, 10);
    return end && *end == 0 && value >= 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: %s <plug-in> [--seed N] [--cycles N] [--instances N] [--blocks N] "
                     "[--automated-blocks N] [--hostile-blocks N] [--sweep N] [--editor-cycles N] [--only SCENARIO]\n",
                     argv[0]);
        return 2;
    }
    stress::Settings settings;
    settings.pluginPath = argv[1];
    std::string only;
    for (int i = 2; i < argc; ++i) {
        long value = 0;
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else if (readOption(argc, argv, i, "--seed", value))
            settings.seed = static_cast<uint32_t>(value);
        else if (readOption(argc, argv, i, "--cycles", value))
            settings.cycles = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--instances", value))
            settings.instances = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--blocks", value))
            settings.blocksPerInstance = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--automated-blocks", value))
            settings.automatedBlocks = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--hostile-blocks", value))
            settings.hostileBlocks = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--sweep", value))
            settings.sweepLimit = static_cast<int>(value);
        else if (readOption(argc, argv, i, "--editor-cycles", value))
            settings.editorCycles = static_cast<int>(value);
        else {
            std::fprintf(stderr, "unknown or incomplete option: %s\n", argv[i]);
            return 2;
        }
    }

    stress::HostileHost hostile(settings);
    const struct {
        const char* name;
        std::function<bool()> run;
    } scenarios[] = {
        {"instantiate and close", [&] { return hostile.runLifecycleCycles(); }},
        {"instances at once", [&] { return hostile.runInstancesAtOnce(); }},
        {"every block size", [&] { return hostile.runEverySize(); }},
        {"automation while processing", [&] { return hostile.runAutomationWhileProcessing(); }},
        {"editor cycles while automating", [&] { return hostile.runEditorCyclesWhileAutomating(); }},
        {"hostile values", [&] { return hostile.runHostileValues(); }},
    };
    std::printf("calyx2-stress: %s, seed %u\n", settings.pluginPath.c_str(), settings.seed);
    bool passed = true;
    bool ranOne = false;
    for (const auto& scenario : scenarios) {
        if (!only.empty() && only != scenario.name) continue;
        ranOne = true;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = scenario.run();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-32s %s (%.1f s)\n", scenario.name, ok ? "passed" : "FAILED", seconds);
        std::fflush(stdout);
        passed = passed && ok;
        if (!ok) break;
    }
    if (!ranOne) {
        std::fprintf(stderr, "no scenario is named \"%s\"\n", only.c_str());
        return 2;
    }
    hostile.printFigures();
    return passed ? 0 : 1;
}
