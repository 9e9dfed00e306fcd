#include "tools/info/InfoReport.h"

#include <cstdio>

#include "host/PresetFile.h"

namespace tools {
namespace {

struct NamedFlag {
    int32_t bit;
    const char* name;
};

// The published flag bits, including those VST 2.4 deprecated but older plug-ins still set.
const NamedFlag kFlags[] = {
    {effFlagsHasEditor, "effFlagsHasEditor"},
    {1 << 1, "effFlagsHasClip"},
    {1 << 2, "effFlagsHasVu"},
    {1 << 3, "effFlagsCanMono"},
    {effFlagsCanReplacing, "effFlagsCanReplacing"},
    {effFlagsProgramChunks, "effFlagsProgramChunks"},
    {effFlagsIsSynth, "effFlagsIsSynth"},
    {effFlagsNoSoundInStop, "effFlagsNoSoundInStop"},
    {1 << 10, "effFlagsExtIsAsync"},
    {1 << 11, "effFlagsExtHasBuffer"},
    {effFlagsCanDoubleReplacing, "effFlagsCanDoubleReplacing"},
};

const char* const kCategories[] = {"unknown",   "effect",  "synth",       "analysis",       "mastering", "spatialiser",
                                   "room effect", "surround effect", "restoration", "offline process", "shell",
                                   "generator"};

// The host features that plug-ins are usually asked about.
const char* const kCanDoQueries[] = {"sendVstEvents",      "sendVstMidiEvent", "receiveVstEvents",
                                     "receiveVstMidiEvent", "receiveVstTimeInfo", "sendVstTimeInfo",
                                     "offline",            "midiProgramNames", "bypass",
                                     "1in2out",            "2in2out",          "0in2out"};

std::string padded(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// Plug-in text can hold anything: keep it on one line and printable.
std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) out += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    return out;
}

std::string hex(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(value));
    return text;
}

const char* canDoAnswer(VstIntPtr answer) { return answer > 0 ? "yes" : answer < 0 ? "no" : "don't know"; }

}  // namespace

std::string flagNames(int32_t flags) {
    std::string names;
    int32_t known = 0;
    for (const NamedFlag& flag : kFlags) {
        known |= flag.bit;
        if (flags & flag.bit) names += (names.empty() ? "" : " ") + std::string(flag.name);
    }
    if (flags & ~known) names += (names.empty() ? "" : " ") + hex(flags & ~known);
    return names.empty() ? "none" : names;
}

std::string categoryName(VstIntPtr category) {
    if (category >= 0 && category < static_cast<VstIntPtr>(sizeof kCategories / sizeof kCategories[0])) {
        return std::string(kCategories[category]) + " (" + std::to_string(category) + ")";
    }
    return "unknown (" + std::to_string(category) + ")";
}

void writeInfoReport(host::HostedPlugin& plugin, const std::string& path, const std::string& entryName,
                     std::ostream& out) {
    const AEffect& record = *plugin.effect();
    out << "File:             " << path << "\n";
    out << "Entry point:      " << entryName << "\n";
    out << "Magic:            " << host::fourCharacterCode(record.magic) << " (" << hex(record.magic) << ")\n";
    out << "Unique ID:        " << host::fourCharacterCode(record.uniqueID) << " (" << hex(record.uniqueID) << ")\n";
    out << "Version:          " << record.version << "\n";
    out << "Flags:            " << record.flags << " = " << flagNames(record.flags) << "\n";
    out << "Inputs:           " << record.numInputs << "\n";
    out << "Outputs:          " << record.numOutputs << "\n";
    out << "Initial delay:    " << record.initialDelay << "\n";
    out << "Effect name:      " << printable(plugin.effectName()) << "\n";
    out << "Vendor:           " << printable(plugin.vendorString()) << "\n";
    out << "Product:          " << printable(plugin.productString()) << "\n";
    out << "Vendor version:   " << plugin.vendorVersion() << "\n";
    out << "VST version:      " << plugin.vstVersion() << "\n";
    out << "Category:         " << categoryName(plugin.category()) << "\n";
    ERect rect{};
    if (plugin.editorRect(rect)) {
        out << "Editor:           " << (rect.right - rect.left) << " x " << (rect.bottom - rect.top) << "\n";
    } else {
        out << "Editor:           " << (plugin.hasFlag(effFlagsHasEditor) ? "declared, no rectangle" : "none") << "\n";
    }

    out << "\nPrograms (" << record.numPrograms << "):\n";
    for (int index = 0; index < record.numPrograms; ++index) {
        std::string name;
        bool answered = plugin.programNameIndexed(index, name);
        out << "  " << padded(std::to_string(index), 4) << (answered ? printable(name) : "(no answer)") << "\n";
    }

    out << "\nParameters (" << record.numParams << "):\n";
    out << "  " << padded("index", 7) << padded("name", 10) << padded("label", 10) << padded("display", 10)
        << "automatable\n";
    for (int index = 0; index < record.numParams; ++index) {
        out << "  " << padded(std::to_string(index), 7) << padded(printable(plugin.parameterName(index)), 10)
            << padded(printable(plugin.parameterLabel(index)), 10) << padded(printable(plugin.parameterDisplay(index)), 10)
            << (plugin.canBeAutomated(index) ? "yes" : "no") << "\n";
    }

    out << "\nCan do:\n";
    for (const char* query : kCanDoQueries) {
        VstIntPtr answer = plugin.canDo(query);
        out << "  " << padded(query, 22) << canDoAnswer(answer) << " (" << answer << ")\n";
    }
}

}  // namespace tools
