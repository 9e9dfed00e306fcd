// Output files that appear whole or not at all: everything is written to a temporary file next to the
// destination and renamed over it only once complete, so an existing file is never left half
// overwritten. A destination that is a symbolic link stays one: the file it leads to is replaced. The
// path "-" means standard output (the complete file is copied there at the end).
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

// The file a symbolic link finally leads to (path itself when it is no link); the target need not exist.
std::string followLinks(const std::string& path);

// True when both paths name the same existing file (same device and inode, links followed). "-" is
// standard input or output and is compared as such, so "-" in and "-" out are not the same file.
bool sameFile(const std::string& a, const std::string& b);

// Error text for a command that would write over one of its inputs; empty when output is none of them.
std::string overwritesInput(const std::string& output, const std::vector<std::string>& inputs);

// True when path is "-" and standard output is a terminal: no place for binary data.
bool isTerminalOutput(const std::string& path);

std::string lowercaseExtension(const std::string& path);  // ".wav", or "" when there is none

}  // namespace tools
