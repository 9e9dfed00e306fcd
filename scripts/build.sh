#!/usr/bin/env bash
# Builds in build/ (and build-win64, build-win32):
#   scripts/build.sh [CMAKE-ARGUMENTS]  everything: the Linux plug-in, tools, tests and benchmarks, and
#                                       the two Windows DLLs with their test programs (the arguments
#                                       go to the native build)
#   scripts/build.sh demo               the Linux plug-in and calyx2-render only, for scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}

if [ "${1:-}" = demo ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TESTS=OFF -DCALYX2_BUILD_BENCH=OFF >/dev/null
  cmake --build build -j"$jobs" --target calyx2 calyx2-render
  exit 0
fi

# The options are named because a demo build in the same folder turned them off.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TESTS=ON -DCALYX2_BUILD_BENCH=ON "$@" >/dev/null
cmake --build build -j"$jobs"

for arch in 64 32; do
  cmake -S . -B "build-win$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TOOLS=OFF >/dev/null
  cmake --build "build-win$arch" -j"$jobs"
done
