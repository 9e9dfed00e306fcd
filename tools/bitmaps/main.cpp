// calyx2-bitmaps: draws the six panel bitmaps and writes them as BMP files into a folder
// (resources/ in the source tree). The files are committed; run this after changing the art.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/bitmaps/PanelArt.h"

namespace {
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: calyx2-bitmaps OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
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
        if (!writeFile(path, output.bytes)) {
            std::fprintf(stderr, "calyx2-bitmaps: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
