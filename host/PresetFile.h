// The standard VST preset files: .fxp holds one program, .fxb a bank of programs.
//
// Both start with the 'CcnK' chunk header; every header field and every float is big-endian.
//   program:  'CcnK' size 'FxCk'|'FPCh' version id pluginVersion numParams name[28]
//             then numParams floats ('FxCk') or int32 chunkSize and the plug-in's opaque chunk ('FPCh')
//   bank:     'CcnK' size 'FxBk'|'FBCh' version id pluginVersion numPrograms
//             currentProgram (format version 2 only) and zero padding up to 128 bytes,
//             then numPrograms 'FxCk' programs ('FxBk') or int32 chunkSize and the opaque chunk ('FBCh')
// size counts the bytes after the size field. Chunks are stored as the plug-in gave them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct Preset {
    enum class Kind { Program, Bank };
    Kind kind = Kind::Program;
    bool opaque = true;            // 'FPCh'/'FBCh': a plug-in chunk instead of parameter values
    int32_t formatVersion = 1;     // programs 1; banks 1, or 2 with currentProgram
    int32_t pluginId = 0;          // the plug-in's uniqueID
    int32_t pluginVersion = 0;     // the plug-in's version field
    int32_t count = 0;             // parameters of a program, programs of a bank
    int32_t currentProgram = 0;    // banks of format version 2
    std::string name;              // programs only, up to 27 characters are stored
    std::vector<float> parameters; // 'FxCk'
    std::vector<uint8_t> chunk;    // 'FPCh', 'FBCh'
    std::vector<Preset> programs;  // 'FxBk': one 'FxCk' program each

    bool isBank() const { return kind == Kind::Bank; }
};

constexpr size_t kProgramHeaderSize = 56;  // up to and including the name
constexpr size_t kBankHeaderSize = 156;    // up to and including the 128 reserved bytes

// Parses a whole file image. On failure returns false with error set to one sentence.
bool parsePreset(const std::vector<uint8_t>& bytes, Preset& preset, std::string& error);
std::vector<uint8_t> serializePreset(const Preset& preset);

// Unique IDs are four characters packed most significant first, such as 'KZC2'.
std::string fourCharacterCode(int32_t id);

}  // namespace host
