// calyx2-panel: writes a PNG picture of the plug-in's panel as the editor draws it, for a program
// of the factory bank after optional parameter overrides.
//   calyx2-panel [--program N] [-s NAME=VALUE]... -o panel.png
#include <cstdio>
#include <string>

#include "editor/offscreen/PanelSnapshot.h"
#include "plugin/Calyx2Plugin.h"
#include "tools/common/ExitCodes.h"
#include "tools/common/OutputFile.h"
#include "tools/panel/PanelOptions.h"
#include "tools/panel/PngWriter.h"

namespace {
// The plug-in needs a host; this one knows only its version and answers nothing else.
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "calyx2-panel: %s\n", message.c_str());
    return code;
}
}  // namespace

int main(int argc, char** argv) {
    PanelOptions options;
    std::string error;
    if (!parsePanelOptions(argc, argv, options, error)) return fail(tools::kExitUsage, error + " (see --help)");
    if (options.help) {
        std::fputs(kPanelHelp, stdout);
        std::fputs(tools::kExitCodeHelp, stdout);
        return tools::kExitOk;
    }
    if (options.version) {
        std::printf("calyx2-panel %s\n", CALYX2_VERSION);
        return tools::kExitOk;
    }
    Calyx2Plugin plugin(quietHost);
    plugin.setProgram(options.program);
    for (const auto& [index, value] : options.overrides) plugin.setParameter(index, value);

    std::vector<std::uint8_t> png;
    if (!encodePng(snapshotPanel(plugin, embeddedBitmapBytes), png)) return fail(tools::kExitOutput, "cannot encode the picture");
    if (!tools::writeFileAtomically(options.output, png, error)) return fail(tools::kExitOutput, error);
    return tools::kExitOk;
}
