// calyx2-info: prints what a host sees of a plug-in binary.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "host/InstrumentLoader.h"
#include "tools/common/ExitCodes.h"
#include "tools/common/PluginLocator.h"
#include "tools/info/InfoReport.h"

namespace {

void printHelp() {
    std::printf(
        "Usage: calyx2-info [OPTIONS] [-p] [PLUGIN]\n"
        "Prints what a host sees of a plug-in: identity, channels, programs and parameters (name, current\n"
        "value, display, label, automatable); for VST 2.4 also flags, versions, category and canDo\n"
        "answers. Without PLUGIN it reads the calyx2 plug-in built next to this tool (or $CALYX2_PLUGIN).\n"
        "\n"
        "  -p, --plugin PATH|NAME  the plug-in (a NAME is looked up in $VST_PATH, ~/.vst, /usr/lib/vst, ...)\n"
        "      --json              print JSON instead of text\n"
        "  -h, --help              show this help\n"
        "  -V, --version           show the version\n"
        "\n%s",
        tools::kExitCodeHelp);
}

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "calyx2-info: %s\n", message.c_str());
    return code;
}

bool hasDisplay() {
#ifdef _WIN32
    return true;
#else
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    enum { kJson = 256 };
    static const option kOptions[] = {{"plugin", required_argument, nullptr, 'p'},
                                      {"json", no_argument, nullptr, kJson},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    tools::InfoRequest request;
    std::string name;
    int option;
    opterr = 0;
    while ((option = getopt_long(argc, argv, ":p:hV", kOptions, nullptr)) != -1) {
        switch (option) {
            case 'p':
                if (!name.empty()) return fail(tools::kExitUsage, "one plug-in at a time (see --help)");
                name = optarg;
                break;
            case kJson: request.json = true; break;
            case 'h': printHelp(); return tools::kExitOk;
            case 'V': std::printf("calyx2-info %s\n", CALYX2_VERSION); return tools::kExitOk;
            case ':': return fail(tools::kExitUsage, std::string("option ") + argv[optind - 1] + " needs a value");
            default: return fail(tools::kExitUsage, std::string("unknown option ") + argv[optind - 1] + " (see --help)");
        }
    }
    if (argc - optind > (name.empty() ? 1 : 0)) return fail(tools::kExitUsage, "one plug-in at a time (see --help)");
    if (optind < argc) name = argv[optind];
    std::string error;
    if (!tools::locatePlugin(name, request.path, error)) return fail(tools::kExitPlugin, error);
    auto plugin = host::loadInstrument(request.path, error);
    if (!plugin) return fail(tools::kExitPlugin, error);
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(512);
    request.askEditorSize = hasDisplay();
    tools::writeInfoReport(*plugin, request, std::cout);
    plugin->close();
    std::cout.flush();
    return std::cout ? tools::kExitOk : tools::kExitOutput;
}
