// Trouble the user should know of: one line on stderr, prefixed with the program's name. Never called
// from the audio callback.
#pragma once

#include <string>

void reportProblem(const std::string& message);
