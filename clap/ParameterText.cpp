#include "clap/ParameterText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace calyx2clap {
namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool formatParameterValue(double value, char* buffer, uint32_t capacity) {
    if (!buffer || capacity == 0) return false;
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    if (written.ec != std::errc()) return false;
    const size_t length = static_cast<size_t>(written.ptr - text);
    if (length + 1 > capacity) return false;
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return true;
}

bool parseParameterValue(const char* text, double& value) {
    if (!text) return false;
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
    if (begin < end && *begin == '+') ++begin;
    double parsed = 0.0;
    const auto read = std::from_chars(begin, end, parsed);
    if (read.ec != std::errc() || read.ptr != end || !std::isfinite(parsed)) return false;
    value = std::clamp(parsed, 0.0, 1.0);
    return true;
}

}  // namespace calyx2clap
