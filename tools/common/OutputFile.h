// Output files that appear whole or not at all: everything is written to a temporary file next to the
// destination and renamed over it only once complete, so an existing file is never left half
// overwritten. The path "-" means standard output (the complete file is copied there at the end).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// Creates a temporary file for path: in the same directory, or in the temporary directory for "-".
// Returns the descriptor (or -1 with error set) and the temporary file's name.
int createTemporaryFor(const std::string& path, std::string& temporaryPath, std::string& error);

// Moves a finished temporary file into place (or copies it to standard output for "-") and removes
// it; false with error set when that fails.
bool publishTemporary(const std::string& temporaryPath, const std::string& path, std::string& error);

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
// Reads a whole file, or standard input for "-".
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// True when path is "-" and standard output is a terminal: no place for binary data.
bool isTerminalOutput(const std::string& path);

std::string lowercaseExtension(const std::string& path);  // ".wav", or "" when there is none

}  // namespace tools
