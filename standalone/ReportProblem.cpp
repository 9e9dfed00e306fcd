#include "standalone/ReportProblem.h"

#include <cstdio>

void reportProblem(const std::string& message) { std::fprintf(stderr, "calyx2-standalone: %s\n", message.c_str()); }
