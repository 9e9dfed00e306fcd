#include "tools/info/InfoReport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

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

namespace {

struct Parameter {
    std::string name, label, display;
    float value;
    bool automatable;
};

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 32 || u == 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

size_t widest(const std::vector<Parameter>& parameters, std::string Parameter::*field, size_t heading) {
    size_t width = heading;
    for (const Parameter& parameter : parameters) width = std::max(width, (parameter.*field).size());
    return width + 2;
}

}  // namespace

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// What only a VST 2.4 host sees: the AEffect record, the dispatcher's identity answers, the editor.
void addVstFields(host::HostedPlugin& plugin, const InfoRequest& request, Fields& fields) {
    const AEffect& record = *plugin.effect();
    ERect rect{};
    bool hasRect = request.askEditorSize && plugin.editorRect(rect);
    std::string editor = hasRect ? std::to_string(rect.right - rect.left) + " x " + std::to_string(rect.bottom - rect.top)
                         : !plugin.hasFlag(effFlagsHasEditor) ? "none"
                         : request.askEditorSize              ? "declared, no rectangle"
                                                              : "declared (size not asked: no display)";
    Fields more = {
        {"entry point", plugin.entryName()},
        {"magic", host::fourCharacterCode(record.magic) + " (" + hex(record.magic) + ")"},
        {"unique ID", host::fourCharacterCode(record.uniqueID) + " (" + hex(record.uniqueID) + ")"},
        {"version", std::to_string(record.version)},
        {"flags", std::to_string(record.flags) + " = " + flagNames(record.flags)},
        {"initial delay", std::to_string(record.initialDelay)},
        {"vendor", printable(plugin.vendorString())},
        {"product", printable(plugin.productString())},
        {"vendor version", std::to_string(plugin.vendorVersion())},
        {"VST version", std::to_string(plugin.vstVersion())},
        {"category", categoryName(plugin.category())},
        {"editor", editor},
    };
    fields.insert(fields.end(), more.begin(), more.end());
}

}  // namespace

void writeInfoReport(host::Instrument& plugin, const InfoRequest& request, std::ostream& out) {
    auto* vst = dynamic_cast<host::HostedPlugin*>(&plugin);
    std::vector<std::string> programs;
    for (int index = 0; index < plugin.numPrograms(); ++index) {
        std::string name;
        programs.push_back(plugin.programNameIndexed(index, name) ? printable(name) : "(no answer)");
    }
    std::vector<Parameter> parameters;
    for (int index = 0; index < plugin.numParameters(); ++index) {
        parameters.push_back({printable(plugin.parameterName(index)), vst ? printable(vst->parameterLabel(index)) : "",
                              vst ? printable(vst->parameterDisplay(index)) : "", plugin.parameter(index),
                              !vst || vst->canBeAutomated(index)});
    }
    std::vector<std::pair<std::string, VstIntPtr>> canDo;
    if (vst) {
        for (const char* query : kCanDoQueries) canDo.emplace_back(query, vst->canDo(query));
    }
    Fields fields = {
        {"file", request.path},
        {"format", plugin.formatName()},
        {"effect name", printable(plugin.effectName())},
        {"inputs", std::to_string(plugin.numInputs())},
        {"outputs", std::to_string(plugin.numOutputs())},
    };
    if (vst) addVstFields(*vst, request, fields);

    if (request.json) {
        out << "{\n";
        for (const auto& [key, value] : fields) out << "  " << jsonString(key) << ": " << jsonString(value) << ",\n";
        out << "  \"programs\": [";
        for (size_t i = 0; i < programs.size(); ++i) out << (i ? ", " : "") << jsonString(programs[i]);
        out << "],\n  \"current program\": " << plugin.program() << ",\n  \"parameters\": [";
        for (size_t i = 0; i < parameters.size(); ++i) {
            const Parameter& p = parameters[i];
            out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"name\": " << jsonString(p.name)
                << ", \"label\": " << jsonString(p.label) << ", \"display\": " << jsonString(p.display)
                << ", \"value\": " << number(p.value) << ", \"automatable\": " << (p.automatable ? "true" : "false") << "}";
        }
        out << (parameters.empty() ? "" : "\n  ") << "],\n  \"can do\": {";
        for (size_t i = 0; i < canDo.size(); ++i) out << (i ? ", " : "") << jsonString(canDo[i].first) << ": " << canDo[i].second;
        out << "}\n}\n";
        return;
    }

    for (const auto& [key, value] : fields) {
        std::string heading = key == "VST version" ? key : std::string(1, static_cast<char>(std::toupper(key[0]))) + key.substr(1);
        out << padded(heading + ":", 18) << value << "\n";
    }
    out << "\nPrograms (" << programs.size() << "), current " << plugin.program() << ":\n";
    for (size_t index = 0; index < programs.size(); ++index) out << "  " << padded(std::to_string(index), 6) << programs[index] << "\n";

    out << "\nParameters (" << parameters.size() << "):\n";
    const size_t nameWidth = widest(parameters, &Parameter::name, 4);
    const size_t labelWidth = widest(parameters, &Parameter::label, 5);
    const size_t displayWidth = widest(parameters, &Parameter::display, 7);
    out << "  " << padded("index", 7) << padded("name", nameWidth) << padded("value", 13) << padded("display", displayWidth)
        << padded("label", labelWidth) << "automatable\n";
    for (size_t index = 0; index < parameters.size(); ++index) {
        const Parameter& p = parameters[index];
        out << "  " << padded(std::to_string(index), 7) << padded(p.name, nameWidth) << padded(number(p.value), 13)
            << padded(p.display, displayWidth) << padded(p.label, labelWidth) << (p.automatable ? "yes" : "no") << "\n";
    }

    if (canDo.empty()) return;
    out << "\nCan do:\n";
    for (const auto& [query, answer] : canDo) out << "  " << padded(query, 22) << canDoAnswer(answer) << " (" << answer << ")\n";
}

}  // namespace tools
