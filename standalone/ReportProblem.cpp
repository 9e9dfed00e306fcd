#include <cstdio>
#include <string>

#include "standalone/AudioBackend.h"

void reportProblem(const std::string& message) { std::fprintf(stderr, "calyx2-standalone: %s\n", message.c_str()); }
