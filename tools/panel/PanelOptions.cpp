#include "tools/panel/PanelOptions.h"

#include <getopt.h>

#include "editor/PanelLayout.h"
#include "engine/ParameterIndex.h"
#include "tools/common/OutputFile.h"
#include "tools/common/ParameterLookup.h"

namespace {
constexpr int kPrograms = 32;
}  // namespace

const char* const kPanelHelp =
    "Usage: calyx2-panel [--program N] [-s NAME=VALUE]... -o FILE.png\n"
    "Draws the calyx2 panel as the editor shows it, for a factory program after optional parameter\n"
    "overrides, and writes it as a PNG picture.\n"
    "\n"
    "  -o, --output FILE.png    the picture ('-' for standard output)\n"
    "      --program N          the factory program, from 0 to 31 (default 0)\n"
    "  -s, --set NAME=VALUE     set a parameter (panel name or index) to VALUE from 0 to 1; repeatable\n"
    "  -h, --help               show this help\n"
    "  -V, --version            show the version\n"
    "\n";

int parameterIndexByName(const std::string& name) {
    for (std::size_t i = 0; i < panelLayoutSize; ++i) {
        if (name == panelLayout[i].name) return panelLayout[i].parameter;
    }
    long long index = -1;
    if (tools::parseInteger(name, index) && index >= 0 && index < param::Count) return static_cast<int>(index);
    return -1;
}

bool parsePanelOptions(int argc, char** argv, PanelOptions& options, std::string& error) {
    enum { kProgram = 256 };
    static const option kOptions[] = {{"output", required_argument, nullptr, 'o'},
                                      {"program", required_argument, nullptr, kProgram},
                                      {"set", required_argument, nullptr, 's'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    opterr = 0;
    optind = 1;
    int option;
    while ((option = getopt_long(argc, argv, ":o:s:hVp:", kOptions, nullptr)) != -1) {
        std::string value = optarg ? optarg : "";
        long long number;
        tools::ParameterSetting setting;
        switch (option) {
            case 'o': options.output = value; break;
            case kProgram:
                // Worded as the tools that look programs up in a plug-in word it.
                if (!tools::parseInteger(value, number) || number < 0 || number >= kPrograms) {
                    error = "program " + value + " out of range (0.." + std::to_string(kPrograms - 1) + ")";
                    return false;
                }
                options.program = static_cast<int>(number);
                break;
            case 's': {
                if (!tools::parseParameterSetting(value, setting, error)) return false;
                int index = parameterIndexByName(setting.key);
                if (index < 0) {
                    error = "--set " + value + ": unknown parameter '" + setting.key + "' (calyx2-info lists the names)";
                    return false;
                }
                options.overrides.emplace_back(index, setting.value);
                break;
            }
            case 'p':
                error = "-p names a plug-in in every tool; calyx2-panel draws calyx2 itself (a program is --program N)";
                return false;
            case 'h': options.help = true; return true;
            case 'V': options.version = true; return true;
            case ':': error = std::string("option ") + argv[optind - 1] + " needs a value"; return false;
            default: error = std::string("unknown option ") + argv[optind - 1]; return false;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument '") + argv[optind] + "'";
        return false;
    }
    if (options.output.empty()) {
        error = "no output file: give -o FILE.png (or -o - for standard output)";
        return false;
    }
    if (options.output != "-" && tools::lowercaseExtension(options.output) != ".png") {
        error = "-o " + options.output + ": calyx2-panel writes PNG pictures; name the file .png";
        return false;
    }
    if (tools::isTerminalOutput(options.output)) {
        error = "standard output is a terminal; redirect it or name a file with -o";
        return false;
    }
    return true;
}
