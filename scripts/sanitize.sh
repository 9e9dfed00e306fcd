#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs the
# whole test suite there, the hostile host included, with leak detection on: any report fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
build=build-asan

# clang: its bounds check knows the declared size of trailing arrays, which GCC's does not.
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCALYX2_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize-ignorelist=$PWD/scripts/sanitize-ignore.txt" >/dev/null
cmake --build "$build" -j"$jobs"

# A display, so that the editor opens real windows (X11) while the hostile host processes.
source scripts/xvfb-env.sh

export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The standalone application's JACK tests stay in the plain build: under the sanitizers its exits (a
# leak check over JACK's shared memory) outlast their deadlines on a loaded machine.
ctest --test-dir "$build" --output-on-failure -j"$jobs" -LE jack
