// calyx2-lv2-ttl DIRECTORY PLUGIN_BINARY UI_BINARY: writes the Turtle files of the calyx2.lv2 bundle
// into DIRECTORY, walking the parameter table and the factory bank and asking the plug-in object its
// name and vendor, so that the ports and the presets say what the plug-in does. Run at build time;
// the build puts the two binaries, named as given, beside the files.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "lv2/Lv2Identity.h"
#include "plugin/Calyx2Plugin.h"
#include "plugin/ParameterTable.h"
#include "plugin/ProgramBank.h"

namespace {

constexpr const char* kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time:  <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string uri(const std::string& text) {
    return "<" + text + ">";
}

std::string presetUri(int program) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d", program);
    return uri(std::string(lv2id::kPresetUriPrefix) + number);
}

// A Turtle number that reads back as exactly this float: nine significant digits always do, and a
// decimal point or exponent keeps it from being read as an integer.
std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string result = text;
    if (result.find_first_of(".e") == std::string::npos) result += ".0";
    return result;
}

std::string quoted(const char* text, size_t length) {
    std::string result = "\"";
    for (size_t i = 0; i < length && text[i]; ++i) {
        if (text[i] == '"' || text[i] == '\\') result += '\\';
        result += text[i];
    }
    return result + "\"";
}

std::string quoted(const char* text) {
    return quoted(text, std::string(text).size());
}

struct Binaries {
    std::string plugin;
    std::string ui;
};

std::string manifest(const ProgramBank& bank, const Binaries& binaries) {
    std::ostringstream out;
    out << kPrefixes;
    out << uri(lv2id::kPluginUri) << "\n    a lv2:Plugin, lv2:InstrumentPlugin ;\n    lv2:binary "
        << uri(binaries.plugin) << " ;\n    rdfs:seeAlso <calyx2.ttl> .\n\n";
    out << uri(lv2id::kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << uri(binaries.ui)
        << " ;\n    rdfs:seeAlso <ui.ttl> .\n";
    for (int p = 0; p < bank.programCount; ++p) {
        out << "\n"
            << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2id::kPluginUri)
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out.str();
}

std::string parameterPort(int index, float defaultValue) {
    const ParameterInfo& info = kParameterTable[index];
    std::ostringstream out;
    out << "[\n        a lv2:InputPort, lv2:ControlPort ;\n        lv2:index "
        << lv2port::kFirstParameter + index << " ;\n        lv2:symbol " << quoted(info.name)
        << " ;\n        lv2:name " << quoted(info.name) << " ;\n        lv2:default " << number(defaultValue)
        << " ;\n        lv2:minimum 0.0 ;\n"
        << "        lv2:maximum 1.0 ;\n";
    if (!info.automatable) out << "        lv2:portProperty pprops:notAutomatic ;\n";
    out << "    ]";
    return out.str();
}

std::string pluginDescription(ProgramBank& bank, Calyx2Plugin& plugin) {
    char name[kVstMaxEffectNameLen + 1] = {};
    char vendor[kVstMaxVendorStrLen + 1] = {};
    plugin.getEffectName(name);
    plugin.getVendorString(vendor);
    std::ostringstream out;
    out << kPrefixes;
    out << uri(lv2id::kPluginUri) << "\n    a lv2:Plugin, lv2:InstrumentPlugin, doap:Project ;\n"
        << "    doap:name " << quoted(name) << " ;\n"
        << "    doap:maintainer [ foaf:name " << quoted(vendor) << " ] ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui " << uri(lv2id::kUiUri) << " ;\n"
        << "    lv2:port ";
    for (int i = 0; i < param::Count; ++i) out << parameterPort(i, bank.program(0).values[i]) << " , ";
    out << "[\n        a lv2:InputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent, time:Position ;\n        lv2:designation lv2:control ;\n"
        << "        lv2:index " << lv2port::kEvents << " ;\n        lv2:symbol \"events\" ;\n"
        << "        lv2:name \"MIDI and transport\" ;\n    ] , [\n"
        << "        a lv2:OutputPort, lv2:AudioPort ;\n        lv2:index " << lv2port::kLeftOutput
        << " ;\n        lv2:symbol \"out_left\" ;\n        lv2:name \"Left\" ;\n    ] , [\n"
        << "        a lv2:OutputPort, lv2:AudioPort ;\n        lv2:index " << lv2port::kRightOutput
        << " ;\n        lv2:symbol \"out_right\" ;\n        lv2:name \"Right\" ;\n    ] .\n";
    return out.str();
}

std::string uiDescription() {
    std::ostringstream out;
    out << kPrefixes;
    out << uri(lv2id::kUiUri) << "\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent, ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

std::string presets(ProgramBank& bank) {
    std::ostringstream out;
    out << kPrefixes;
    for (int p = 0; p < bank.programCount; ++p) {
        const ProgramRecord& program = bank.program(p);
        out << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(lv2id::kPluginUri)
            << " ;\n    rdfs:label " << quoted(program.name, kProgramNameLength) << " ;\n    lv2:port ";
        for (int i = 0; i < param::Count; ++i) {
            out << (i ? " , " : "") << "[\n        lv2:symbol " << quoted(kParameterTable[i].name)
                << " ;\n        pset:value " << number(program.values[i]) << "\n    ]";
        }
        out << " .\n\n";
    }
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file) return true;
    std::fprintf(stderr, "calyx2-lv2-ttl: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: calyx2-lv2-ttl DIRECTORY PLUGIN_BINARY UI_BINARY\n");
        return 2;
    }
    const std::string directory = argv[1];
    const Binaries binaries{argv[2], argv[3]};
    ProgramBank factory;
    Calyx2Plugin plugin(nullptr);
    const bool written = writeFile(directory + "/manifest.ttl", manifest(factory, binaries)) &&
                         writeFile(directory + "/calyx2.ttl", pluginDescription(factory, plugin)) &&
                         writeFile(directory + "/ui.ttl", uiDescription()) &&
                         writeFile(directory + "/presets.ttl", presets(factory));
    return written ? 0 : 1;
}
