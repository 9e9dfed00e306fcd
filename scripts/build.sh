#!/usr/bin/env bash
# Builds everything: the Linux plug-in, tools, tests and benchmarks, and the two Windows DLLs with
# their test programs. Usage: scripts/build.sh [extra cmake arguments for the native build]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_BENCH=ON "$@" >/dev/null
cmake --build build -j"$jobs"

for arch in 64 32; do
  cmake -S . -B "build-win$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TOOLS=OFF >/dev/null
  cmake --build "build-win$arch" -j"$jobs"
done
