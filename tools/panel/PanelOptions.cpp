#include "tools/panel/PanelOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "editor/PanelLayout.h"
#include "engine/ParameterIndex.h"

namespace {
bool parseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < -1000000 || parsed > 1000000) return false;
    value = int(parsed);
    return true;
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    float parsed = std::strtof(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}
}  // namespace

int parameterIndexByName(const std::string& name) {
    for (std::size_t i = 0; i < panelLayoutSize; ++i) {
        if (name == panelLayout[i].name) return panelLayout[i].parameter;
    }
    int index = -1;
    if (parseInt(name, index) && index >= 0 && index < param::Count) return index;
    return -1;
}

bool parsePanelOptions(int argc, const char* const* argv, PanelOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool hasValue = i + 1 < argc;
        if ((argument == "-o" || argument == "--output") && hasValue) {
            options.output = argv[++i];
        } else if ((argument == "-p" || argument == "--program") && hasValue) {
            if (!parseInt(argv[++i], options.program) || options.program < 0 || options.program > 31) {
                error = "program must be 0 to 31";
                return false;
            }
        } else if ((argument == "-s" || argument == "--set") && hasValue) {
            std::string setting = argv[++i];
            std::size_t equals = setting.find('=');
            int index = equals == std::string::npos ? -1 : parameterIndexByName(setting.substr(0, equals));
            float value = 0.0f;
            if (index < 0 || !parseFloat(setting.substr(equals + 1), value)) {
                error = "cannot use setting '" + setting + "' (expected NAME=VALUE, e.g. LVL1=0.5)";
                return false;
            }
            options.overrides.emplace_back(index, value);
        } else {
            error = "unexpected argument '" + argument + "'";
            return false;
        }
    }
    if (options.output.empty()) {
        error = "no output file (-o FILE.png)";
        return false;
    }
    return true;
}
