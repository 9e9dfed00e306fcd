#include "clap/PresetKeys.h"

#include <charconv>
#include <cstring>

#include "plugin/ProgramBank.h"

namespace calyx2clap {

int programForKey(const char* key) {
    if (!key || !*key) return -1;
    const char* end = key + std::strlen(key);
    if (end - key > 1 && key[0] == '0') return -1;  // one spelling per program
    int program = -1;
    const auto read = std::from_chars(key, end, program);
    if (read.ec != std::errc() || read.ptr != end || program < 0 || program >= kProgramCount) return -1;
    return program;
}

std::string keyForProgram(int program) { return std::to_string(program); }

}  // namespace calyx2clap
