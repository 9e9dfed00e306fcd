// calyx2-bitmaps: draws the six panel bitmaps and writes them as BMP files into a folder
// (resources/ in the source tree). The files are committed; run this after changing the art.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/bitmaps/PanelArt.h"
#include "tools/common/ExitCodes.h"

namespace {

const char* const kHelp =
    "Usage: calyx2-bitmaps FOLDER\n"
    "Draws the six panel bitmaps and writes them as BMP files into FOLDER (resources/ in the source\n"
    "tree), replacing files of the same names.\n"
    "\n"
    "  -h, --help     show this help\n"
    "  -V, --version  show the version\n"
    "\n";

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "calyx2-bitmaps: %s\n", message.c_str());
    return code;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnd || argument == "-" || argument[0] != '-') {
            arguments.push_back(argument);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "-h" || argument == "--help") {
            std::fputs(kHelp, stdout);
            std::fputs(tools::kExitCodeHelp, stdout);
            return tools::kExitOk;
        } else if (argument == "-V" || argument == "--version") {
            std::printf("calyx2-bitmaps %s\n", CALYX2_VERSION);
            return tools::kExitOk;
        } else {
            return fail(tools::kExitUsage, "unknown option " + argument + " (see --help)");
        }
    }
    if (arguments.size() != 1) return fail(tools::kExitUsage, "expected one FOLDER (see --help)");
    const std::string& folder = arguments[0];
    if (!isFolder(folder)) return fail(tools::kExitOutput, "cannot write into " + folder + ": not a folder");
    struct Output {
        const char* file;
        std::vector<std::uint8_t> bytes;
    } outputs[] = {
        {"knob-mask.bmp", panel_art::knobMask().bmp8Grey()},
        {"knob-strip.bmp", panel_art::knobStrip().bmp32()},
        {"toggle.bmp", panel_art::toggleSwitch().bmp24()},
        {"three-way.bmp", panel_art::threeWaySwitch().bmp24()},
        {"indicator.bmp", panel_art::indicator().bmp24()},
        {"background.bmp", panel_art::background().bmp24()},
    };
    for (const Output& output : outputs) {
        std::string path = folder + "/" + output.file;
        if (!writeFile(path, output.bytes)) return fail(tools::kExitOutput, "cannot write " + path);
    }
    return tools::kExitOk;
}
