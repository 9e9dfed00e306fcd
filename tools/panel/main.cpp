// calyx2-panel: writes a PNG picture of the plug-in's panel as the editor draws it, for a program
// of the factory bank after optional parameter overrides.
//   calyx2-panel [-p PROGRAM] [-s NAME=VALUE]... -o panel.png
#include <cstdio>
#include <string>

#include "editor/offscreen/PanelSnapshot.h"
#include "plugin/Calyx2Plugin.h"
#include "tools/panel/PanelOptions.h"
#include "tools/panel/PngWriter.h"

namespace {
// The plug-in needs a host; this one knows only its version and answers nothing else.
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}
}  // namespace

int main(int argc, char** argv) {
    PanelOptions options;
    std::string error;
    if (!parsePanelOptions(argc, argv, options, error)) {
        std::fprintf(stderr,
                     "calyx2-panel: %s\nusage: calyx2-panel [-p PROGRAM] [-s NAME=VALUE]... -o FILE.png\n",
                     error.c_str());
        return 2;
    }
    Calyx2Plugin plugin(quietHost);
    plugin.setProgram(options.program);
    for (const auto& [index, value] : options.overrides) plugin.setParameter(index, value);

    RgbImage picture = snapshotPanel(plugin, embeddedBitmapBytes);
    if (!writePng(options.output, picture)) {
        std::fprintf(stderr, "calyx2-panel: cannot write %s\n", options.output.c_str());
        return 1;
    }
    return 0;
}
