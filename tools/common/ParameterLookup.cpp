#include "tools/common/ParameterLookup.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tools {
namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// Index of the one name equal to key (exactly, else ignoring case); -2 when several match, -1 when none.
template <typename NameOf>
int matchName(int count, const std::string& key, NameOf nameOf) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(trimmed(nameOf(i)));
    for (bool ignoreCase : {false, true}) {
        int found = -1;
        for (int i = 0; i < count; ++i) {
            bool same = ignoreCase ? sameIgnoringCase(names[i], key) : names[i] == key;
            if (!same) continue;
            if (found >= 0) return -2;
            found = i;
        }
        if (found >= 0) return found;
    }
    return -1;
}

}  // namespace

std::string trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool parseInteger(const std::string& text, long long& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == 0;
}

bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == 0 && std::isfinite(value);
}

bool isParameterValue(double value) { return value >= 0.0 && value <= 1.0; }

bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& error) {
    size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "--set " + text + ": expected NAME=VALUE";
        return false;
    }
    setting.key = trimmed(text.substr(0, equals));
    double value;
    if (setting.key.empty() || !parseNumber(trimmed(text.substr(equals + 1)), value)) {
        error = "--set " + text + ": expected NAME=VALUE with a number for VALUE";
        return false;
    }
    if (!isParameterValue(value)) {
        error = "--set " + text + ": " + kParameterRangeMessage;
        return false;
    }
    setting.value = static_cast<float>(value);
    return true;
}

int findParameter(host::Instrument& plugin, const std::string& key, std::string& error) {
    int found = matchName(plugin.numParameters(), key, [&](int i) { return plugin.parameterName(i); });
    if (found >= 0) return found;
    long long index;
    if (found == -1 && parseInteger(key, index)) {
        if (index >= 0 && index < plugin.numParameters()) return static_cast<int>(index);
        error = "parameter " + key + " out of range (0.." + std::to_string(plugin.numParameters() - 1) + ")";
        return -1;
    }
    error = found == -2 ? "parameter name '" + key + "' is ambiguous; give its index instead"
                        : "unknown parameter '" + key + "' (calyx2-info lists the names)";
    return -1;
}

int findProgram(host::Instrument& plugin, const std::string& key, std::string& error) {
    long long index;
    if (parseInteger(key, index)) {
        if (index >= 0 && index < plugin.numPrograms()) return static_cast<int>(index);
        error = "program " + key + " out of range (0.." + std::to_string(plugin.numPrograms() - 1) + ")";
        return -1;
    }
    int found = matchName(plugin.numPrograms(), key, [&](int i) {
        std::string name;
        plugin.programNameIndexed(i, name);
        return name;
    });
    if (found >= 0) return found;
    error = found == -2 ? "program name '" + key + "' is ambiguous; give its number instead"
                        : "no program named '" + key + "' (calyx2-info lists the programs)";
    return -1;
}

}  // namespace tools
