#include "tools/common/PresetText.h"

#include <cstdio>
#include <sstream>

#include "host/PresetFile.h"
#include "tools/common/ParameterLookup.h"

namespace tools {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted string that makes up the rest of the line.
bool unquote(const std::string& text, std::string& out) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    out.clear();
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (i + 2 >= text.size()) return false;
            c = text[++i];
        } else if (c == '"') {
            return false;
        }
        out += c;
    }
    return true;
}

std::string formatValue(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

bool isUsableKey(const std::string& name) {
    long long number;
    return !name.empty() && name.find('=') == std::string::npos && name[0] != '#' && !parseInteger(name, number) &&
           trimmed(name) == name;
}

// The key each parameter is written under: its name when that identifies it, else its index.
std::vector<std::string> parameterKeys(host::HostedPlugin& plugin) {
    std::vector<std::string> names;
    for (int i = 0; i < plugin.numParameters(); ++i) names.push_back(plugin.parameterName(i));
    std::vector<std::string> keys;
    for (int i = 0; i < plugin.numParameters(); ++i) {
        bool unique = true;
        for (int j = 0; j < plugin.numParameters(); ++j) {
            if (j != i && trimmed(names[j]) == names[i]) unique = false;
        }
        keys.push_back(unique && isUsableKey(names[i]) ? names[i] : std::to_string(i));
    }
    return keys;
}

TextProgram currentProgramText(host::HostedPlugin& plugin, const std::vector<std::string>& keys) {
    TextProgram program;
    program.name = plugin.programName();
    for (int i = 0; i < plugin.numParameters(); ++i) program.values.push_back({keys[i], plugin.parameter(i), 0});
    return program;
}

bool applyProgram(host::HostedPlugin& plugin, const TextProgram& program, std::string& error) {
    for (const TextProgram::Value& value : program.values) {
        int index = findParameter(plugin, value.key, error);
        if (index < 0) {
            error = "line " + std::to_string(value.line) + ": " + error;
            return false;
        }
        plugin.setParameter(index, static_cast<float>(value.value));
    }
    plugin.setProgramName(program.name);
    return true;
}

}  // namespace

std::string formatPresetText(const PresetText& text) {
    std::ostringstream out;
    out << "# " << (text.pluginName.empty() ? "Plug-in" : text.pluginName)
        << " programs: a \"program\" line, then NAME = value (0 to 1) for each parameter.\n";
    if (!text.pluginId.empty()) out << "plugin " << quoted(text.pluginId) << "\n";
    if (text.currentProgram >= 0) out << "current " << text.currentProgram << "\n";
    for (const TextProgram& program : text.programs) {
        out << "\nprogram " << quoted(program.name) << "\n";
        for (const TextProgram::Value& value : program.values) out << value.key << " = " << formatValue(value.value) << "\n";
    }
    return out.str();
}

bool parsePresetText(const std::string& source, PresetText& text, std::string& error) {
    text = PresetText{};
    std::istringstream in(source);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            size_t space = line.find_first_of(" \t");
            std::string word = line.substr(0, space);
            std::string rest = space == std::string::npos ? "" : trimmed(line.substr(space));
            if (word == "program") {
                TextProgram program;
                if (!unquote(rest, program.name)) return fail("expected program \"NAME\"");
                program.line = lineNumber;
                text.programs.push_back(program);
            } else if (word == "plugin") {
                if (!unquote(rest, text.pluginId) || text.pluginId.size() != 4) return fail("expected plugin \"ABCD\"");
            } else if (word == "current") {
                long long number;
                if (!parseInteger(rest, number) || number < 0 || number > 1 << 20) return fail("expected current NUMBER");
                text.currentProgram = static_cast<int>(number);
            } else {
                return fail("expected program, plugin, current or NAME = value");
            }
            continue;
        }
        if (text.programs.empty()) return fail("a parameter before the first program line");
        std::string key = trimmed(line.substr(0, equals));
        double value;
        if (key.empty()) return fail("a value without a parameter name");
        if (!parseNumber(trimmed(line.substr(equals + 1)), value)) return fail("'" + key + "' needs a number");
        if (!isParameterValue(value)) return fail(line + ": " + kParameterRangeMessage);
        text.programs.back().values.push_back({key, value, lineNumber});
    }
    if (text.programs.empty()) {
        error = "no program in the text (it needs at least one program \"NAME\" line)";
        return false;
    }
    return true;
}

PresetText presetTextFromPlugin(host::HostedPlugin& plugin, bool wholeBank) {
    PresetText text;
    text.pluginId = host::fourCharacterCode(plugin.uniqueId());
    text.pluginName = plugin.effectName();
    std::vector<std::string> keys = parameterKeys(plugin);
    if (!wholeBank) {
        text.programs.push_back(currentProgramText(plugin, keys));
        return text;
    }
    int current = plugin.program();
    text.currentProgram = current;
    for (int index = 0; index < plugin.numPrograms(); ++index) {
        plugin.setProgram(index);
        text.programs.push_back(currentProgramText(plugin, keys));
    }
    plugin.setProgram(current);
    return text;
}

bool applyPresetText(host::HostedPlugin& plugin, const PresetText& text, bool wholeBank, std::string& error) {
    std::string pluginId = host::fourCharacterCode(plugin.uniqueId());
    if (!text.pluginId.empty() && text.pluginId != pluginId) {
        error = "the text is for plug-in '" + text.pluginId + "', this plug-in is '" + pluginId + "'";
        return false;
    }
    if (!wholeBank) {
        if (text.programs.size() != 1) {
            error = "a program file takes one program; the text has " + std::to_string(text.programs.size());
            return false;
        }
        return applyProgram(plugin, text.programs[0], error);
    }
    if (static_cast<int>(text.programs.size()) > plugin.numPrograms()) {
        error = "the text has " + std::to_string(text.programs.size()) + " programs, the plug-in " +
                std::to_string(plugin.numPrograms());
        return false;
    }
    if (text.currentProgram >= plugin.numPrograms()) {
        error = "current program " + std::to_string(text.currentProgram) + " out of range";
        return false;
    }
    int current = text.currentProgram >= 0 ? text.currentProgram : plugin.program();
    for (size_t index = 0; index < text.programs.size(); ++index) {
        plugin.setProgram(static_cast<int>(index));
        if (!applyProgram(plugin, text.programs[index], error)) return false;
    }
    plugin.setProgram(current);
    return true;
}

}  // namespace tools
