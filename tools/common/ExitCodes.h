// Exit codes shared by the command-line tools (documented in each tool's --help).
#pragma once

namespace tools {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,       // bad option or value: unknown parameter, program out of range, ...
    kExitInput = 2,       // a MIDI, preset or text file is missing, unreadable or malformed
    kExitPlugin = 3,      // the plug-in cannot be loaded, is not a VST 2.4 plug-in, or refuses
    kExitOutput = 4,      // the output cannot be written
};

constexpr const char* kExitCodeHelp =
    "Exit status:\n"
    "  0  success\n"
    "  1  bad usage: unknown option or parameter, value out of range\n"
    "  2  an input file is missing, unreadable or malformed\n"
    "  3  the plug-in cannot be loaded or refused to work\n"
    "  4  the output cannot be written\n";

}  // namespace tools
