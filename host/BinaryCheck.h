// Reads a plug-in binary's own description of its layout before the system loader maps it. A file cut
// short (an interrupted copy or download) still loads, and the process dies with SIGBUS the first time
// it touches a page past the end; checking the headers first turns that into an error message.
#pragma once

#include <string>

namespace host {

// True when path is an ELF or PE file whose headers, sections and segments all lie inside the file,
// or a file of another kind (left to the loader to judge). False with reason set (one phrase, such
// as "truncated: section 12 ends at byte 40960 of 4096") when the binary is damaged.
bool binaryLooksWhole(const std::string& path, std::string& reason);

}  // namespace host
