// calyx2-info: prints what a VST 2.4 host sees of a plug-in binary.
#include <getopt.h>

#include <cstdio>
#include <iostream>

#include "host/HostedPlugin.h"
#include "tools/common/ExitCodes.h"
#include "tools/common/PluginLocator.h"
#include "tools/info/InfoReport.h"

namespace {

void printHelp() {
    std::printf(
        "Usage: calyx2-info [PLUGIN]\n"
        "Prints what a VST 2.4 host sees of a plug-in binary: identity, flags, channels, versions,\n"
        "category, programs, parameters (name, label, display, automatable) and canDo answers.\n"
        "Without PLUGIN it reads the calyx2 plug-in built next to this tool (or $CALYX2_PLUGIN).\n"
        "\n"
        "  -h, --help     show this help\n"
        "  -V, --version  show the version\n"
        "\n%s",
        tools::kExitCodeHelp);
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    int option;
    opterr = 0;
    while ((option = getopt_long(argc, argv, "hV", kOptions, nullptr)) != -1) {
        switch (option) {
            case 'h': printHelp(); return tools::kExitOk;
            case 'V': std::printf("calyx2-info %s\n", CALYX2_VERSION); return tools::kExitOk;
            default:
                std::fprintf(stderr, "calyx2-info: unknown option %s (see --help)\n", argv[optind - 1]);
                return tools::kExitUsage;
        }
    }
    if (argc - optind > 1) {
        std::fprintf(stderr, "calyx2-info: one plug-in at a time (see --help)\n");
        return tools::kExitUsage;
    }
    std::string path;
    std::string error;
    if (!tools::locatePlugin(optind < argc ? argv[optind] : "", path, error)) {
        std::fprintf(stderr, "calyx2-info: %s\n", error.c_str());
        return tools::kExitPlugin;
    }
    auto module = host::PluginModule::load(path, error);
    auto plugin = module ? host::HostedPlugin::create(module, error) : nullptr;
    if (!plugin) {
        std::fprintf(stderr, "calyx2-info: %s\n", error.c_str());
        return tools::kExitPlugin;
    }
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(512);
    tools::writeInfoReport(*plugin, path, module->entryName(), std::cout);
    plugin->close();
    std::cout.flush();
    return std::cout ? tools::kExitOk : tools::kExitOutput;
}
