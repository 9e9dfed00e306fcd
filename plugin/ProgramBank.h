// The 32 programs the plug-in holds. A record is laid out exactly as it travels in the bank
// chunk: a 24-byte name (NUL-padded; 24 characters fill it with no terminator) and 69
// little-endian float32 values in parameter order, 300 bytes with no padding.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/ParameterIndex.h"

constexpr int kProgramCount = 32;
constexpr int kProgramNameLength = 24;

struct ProgramRecord {
    char name[kProgramNameLength];
    float values[param::Count];
};
static_assert(sizeof(ProgramRecord) == 300, "a program record is 300 bytes");

constexpr int kProgramChunkSize = param::Count * 4;                  // 276
constexpr int kBankChunkSize = kProgramCount * sizeof(ProgramRecord);  // 9600

class ProgramBank {
public:
    ProgramBank();
    ProgramRecord& program(int index) { return table[index]; }
    ProgramRecord* data() { return table.get(); }
    static constexpr int programCount = kProgramCount;
    static constexpr int paramsPerProgram = param::Count;

private:
    std::unique_ptr<ProgramRecord[]> table;
};
