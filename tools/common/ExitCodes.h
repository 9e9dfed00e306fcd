// The one table of exit codes every command-line tool uses (each tool's --help prints it).
#pragma once

namespace tools {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,       // bad option or value: unknown parameter, program out of range, ...
    kExitInput = 2,       // a MIDI, audio, preset or text file is missing, unreadable or malformed
    kExitPlugin = 3,      // the plug-in cannot be found or loaded, is damaged, or refuses to work
    kExitOutput = 4,      // the output cannot be written, or would replace one of the inputs
    kExitInterrupted = 130,  // stopped by a signal (128 + SIGINT), as shells report it
};

constexpr const char* kExitCodeHelp =
    "Exit status:\n"
    "  0    success\n"
    "  1    bad usage: unknown option or parameter, value out of range\n"
    "  2    an input file is missing, unreadable or malformed\n"
    "  3    the plug-in cannot be found or loaded, is damaged, refused to work or produced NaN\n"
    "  4    the output cannot be written, or would replace one of the inputs\n"
    "  130  interrupted\n";

}  // namespace tools
