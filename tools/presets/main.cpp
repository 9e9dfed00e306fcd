// calyx2-presets: exports programs and banks as .fxp/.fxb files, lists them, and converts them to and
// from a readable text form.
#include <getopt.h>

#include <cstdio>
#include <string>

#include "host/HostedPlugin.h"
#include "host/PresetState.h"
#include "tools/common/ExitCodes.h"
#include "tools/common/OutputFile.h"
#include "tools/common/ParameterLookup.h"
#include "tools/common/PluginLocator.h"
#include "tools/common/PresetText.h"

namespace {

using namespace tools;

const char* const kHelp =
    "Usage: calyx2-presets [-p PLUGIN] COMMAND ARGUMENTS\n"
    "Exports, lists and converts VST preset files (.fxp: one program, .fxb: a bank).\n"
    "\n"
    "Commands:\n"
    "  export-bank OUT.fxb             the plug-in's factory bank\n"
    "  export-program N|NAME OUT.fxp   one factory program, by number (from 0) or name\n"
    "  list FILE.fxp|FILE.fxb          the programs in a preset file\n"
    "  to-text FILE.fxp|FILE.fxb [OUT] the programs as text: a 'program \"NAME\"' line, then\n"
    "                                  NAME = value lines (OUT defaults to standard output)\n"
    "  from-text FILE OUT.fxp|OUT.fxb  text back into a preset file; parameters the text leaves\n"
    "                                  out keep their factory values\n"
    "\n"
    "Options:\n"
    "  -p, --plugin PATH|NAME  the plug-in (default: calyx2 built next to this tool, or $CALYX2_PLUGIN;\n"
    "                          a NAME is looked up in $VST_PATH, ~/.vst, /usr/lib/vst, ...)\n"
    "  -h, --help              show this help\n"
    "  -V, --version           show the version\n"
    "Every FILE may be '-' for standard input and every OUT '-' for standard output (from-text\n"
    "writes a bank there when the text has a 'current' line or several programs). Output files are\n"
    "replaced only once complete, and never when they are one of the inputs.\n"
    "\n";

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "calyx2-presets: %s\n", message.c_str());
    return code;
}

std::string pluginPath;

// The plug-in freshly loaded and opened: its factory state.
std::unique_ptr<host::HostedPlugin> loadPlugin(std::string& error) {
    std::string path;
    if (!locatePlugin(pluginPath, path, error)) return nullptr;
    auto plugin = host::HostedPlugin::load(path, error);
    if (plugin) {
        plugin->open();
        plugin->setSampleRate(48000.0f);
        plugin->setBlockSize(512);
    }
    return plugin;
}

// Standard output takes either; which one the command makes is then up to it (standardOutputBank).
bool wantsBank(const std::string& path, int& code, std::string& error, bool standardOutputBank = false) {
    if (path == "-") return standardOutputBank;
    std::string extension = lowercaseExtension(path);
    if (extension != ".fxb" && extension != ".fxp") {
        error = path + ": expected a .fxp or .fxb file name";
        code = kExitUsage;
        return false;
    }
    return extension == ".fxb";
}

bool readPreset(const std::string& path, host::Preset& preset, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    if (!host::parsePreset(bytes, preset, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

// Writes what the plug-in exported, after making sure it takes it back: a file it then refuses
// would be a preset nobody can load.
int writePreset(const std::string& path, const host::Preset& preset) {
    std::string error;
    if (isTerminalOutput(path)) return fail(kExitUsage, "standard output is a terminal; name a file instead");
    auto fresh = loadPlugin(error);
    if (!fresh) return fail(kExitPlugin, error);
    if (!host::applyPreset(*fresh, preset, error)) {
        return fail(kExitPlugin, std::string("the plug-in refuses the ") + (preset.isBank() ? "bank" : "program") +
                                     " it exported itself (" + error + "); nothing written");
    }
    if (!writeFileAtomically(path, host::serializePreset(preset), error)) return fail(kExitOutput, error);
    return kExitOk;
}

int refuseOverwrite(const std::string& in, const std::string& out) {
    std::string clash = overwritesInput(out, {in});
    return clash.empty() ? kExitOk : fail(kExitOutput, clash);
}

int exportBank(const std::string& out) {
    std::string error;
    int code = kExitOk;
    bool bank = wantsBank(out, code, error, true);
    if (code) return fail(code, error);
    if (!bank) return fail(kExitUsage, out + ": a bank goes into a .fxb file");
    auto plugin = loadPlugin(error);
    if (!plugin) return fail(kExitPlugin, error);
    return writePreset(out, host::captureBank(*plugin));
}

int exportProgram(const std::string& key, const std::string& out) {
    std::string error;
    int code = kExitOk;
    bool bank = wantsBank(out, code, error);
    if (code) return fail(code, error);
    if (bank) return fail(kExitUsage, out + ": a program goes into a .fxp file");
    auto plugin = loadPlugin(error);
    if (!plugin) return fail(kExitPlugin, error);
    int program = findProgram(*plugin, key, error);
    if (program < 0) return fail(kExitUsage, error);
    plugin->setProgram(program);
    return writePreset(out, host::captureProgram(*plugin));
}

// Loads a preset file into a fresh plug-in; the names a bank chunk holds are only readable that way.
std::unique_ptr<host::HostedPlugin> pluginWithPreset(const std::string& path, const host::Preset& preset, int& code,
                                                     std::string& error) {
    auto plugin = loadPlugin(error);
    if (!plugin) {
        code = kExitPlugin;
        return nullptr;
    }
    if (!host::applyPreset(*plugin, preset, error)) {
        error = path + ": " + error;
        code = kExitInput;
        return nullptr;
    }
    return plugin;
}

int list(const std::string& path) {
    std::string error;
    host::Preset preset;
    if (!readPreset(path, preset, error)) return fail(kExitInput, error);
    std::string id = host::fourCharacterCode(preset.pluginId);
    if (!preset.isBank()) {
        std::printf("%s: program for plug-in '%s' (%s)\n", path.c_str(), id.c_str(),
                    preset.opaque ? ("chunk of " + std::to_string(preset.chunk.size()) + " bytes").c_str()
                                  : (std::to_string(preset.parameters.size()) + " parameters").c_str());
        std::printf("  %s\n", preset.name.c_str());
        return kExitOk;
    }
    std::printf("%s: bank of %d programs for plug-in '%s'", path.c_str(), preset.count, id.c_str());
    if (preset.formatVersion >= 2) std::printf(", current program %d", preset.currentProgram);
    std::printf("\n");
    if (!preset.opaque) {
        for (size_t i = 0; i < preset.programs.size(); ++i) std::printf("  %-4zu%s\n", i, preset.programs[i].name.c_str());
        return kExitOk;
    }
    int code = kExitOk;
    auto plugin = pluginWithPreset(path, preset, code, error);
    if (!plugin) return fail(code, error);
    for (int i = 0; i < plugin->numPrograms(); ++i) {
        std::string name;
        plugin->programNameIndexed(i, name);
        std::printf("  %-4d%s\n", i, name.c_str());
    }
    return kExitOk;
}

int toText(const std::string& path, const std::string& out) {
    if (int code = refuseOverwrite(path, out)) return code;
    std::string error;
    host::Preset preset;
    if (!readPreset(path, preset, error)) return fail(kExitInput, error);
    int code = kExitOk;
    auto plugin = pluginWithPreset(path, preset, code, error);
    if (!plugin) return fail(code, error);
    PresetText text = presetTextFromPlugin(*plugin, preset.isBank());
    // The file's own names, where it keeps them: not every plug-in lets a host rename its programs.
    if (!preset.isBank()) {
        text.programs[0].name = preset.name;
    } else if (!preset.opaque) {
        for (size_t i = 0; i < preset.programs.size() && i < text.programs.size(); ++i) text.programs[i].name = preset.programs[i].name;
    }
    std::string formatted = formatPresetText(text);
    if (!writeFileAtomically(out, std::vector<uint8_t>(formatted.begin(), formatted.end()), error)) {
        return fail(kExitOutput, error);
    }
    return kExitOk;
}

int fromText(const std::string& path, const std::string& out) {
    if (int code = refuseOverwrite(path, out)) return code;
    std::string error;
    int code = kExitOk;
    wantsBank(out, code, error);
    if (code) return fail(code, error);
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, error)) return fail(kExitInput, error);
    PresetText text;
    if (!parsePresetText(std::string(bytes.begin(), bytes.end()), text, error)) return fail(kExitInput, path + ": " + error);
    bool bank = wantsBank(out, code, error, text.currentProgram >= 0 || text.programs.size() > 1);
    auto plugin = loadPlugin(error);
    if (!plugin) return fail(kExitPlugin, error);
    if (!applyPresetText(*plugin, text, bank, error)) return fail(kExitInput, path + ": " + error);
    host::Preset preset = bank ? host::captureBank(*plugin) : host::captureProgram(*plugin);
    // The text's names, where the file keeps them: not every plug-in lets a host rename its programs.
    if (!bank) {
        preset.name = text.programs[0].name;
    } else if (!preset.opaque) {
        for (size_t i = 0; i < text.programs.size() && i < preset.programs.size(); ++i) preset.programs[i].name = text.programs[i].name;
    }
    return writePreset(out, preset);
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"plugin", required_argument, nullptr, 'p'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'V'},
                                      {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int option;
    // '+': options stop at the command, so its arguments may start with '-'.
    while ((option = getopt_long(argc, argv, "+:p:hV", kOptions, nullptr)) != -1) {
        switch (option) {
            case 'p': pluginPath = optarg; break;
            case 'h':
                std::fputs(kHelp, stdout);
                std::fputs(kExitCodeHelp, stdout);
                return kExitOk;
            case 'V': std::printf("calyx2-presets %s\n", CALYX2_VERSION); return kExitOk;
            case ':': return fail(kExitUsage, std::string("option ") + argv[optind - 1] + " needs a value");
            default: return fail(kExitUsage, std::string("unknown option ") + argv[optind - 1] + " (see --help)");
        }
    }
    std::vector<std::string> arguments(argv + optind, argv + argc);
    if (arguments.empty()) return fail(kExitUsage, "no command (see --help)");
    std::string command = arguments[0];
    size_t count = arguments.size() - 1;
    auto usage = [&](const char* form) { return fail(kExitUsage, std::string("usage: calyx2-presets ") + form); };
    if (command == "export-bank") return count == 1 ? exportBank(arguments[1]) : usage("export-bank OUT.fxb");
    if (command == "export-program") {
        return count == 2 ? exportProgram(arguments[1], arguments[2]) : usage("export-program N|NAME OUT.fxp");
    }
    if (command == "list") return count == 1 ? list(arguments[1]) : usage("list FILE.fxp|FILE.fxb");
    if (command == "to-text") {
        if (count == 1 || count == 2) return toText(arguments[1], count == 2 ? arguments[2] : "-");
        return usage("to-text FILE.fxp|FILE.fxb [OUT]");
    }
    if (command == "from-text") return count == 2 ? fromText(arguments[1], arguments[2]) : usage("from-text FILE OUT.fxp|OUT.fxb");
    return fail(kExitUsage, "unknown command '" + command + "' (see --help)");
}
