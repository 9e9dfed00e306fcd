#!/usr/bin/env bash
# Builds the plug-in and the hostile host with ThreadSanitizer in build-tsan and runs a host's two
# threads against it on a virtual display: the audio thread rendering and automating, the interface
# thread opening, idling and closing the editor, switching programs and loading chunks. Any report
# not covered by scripts/tsan-suppressions.txt fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
build=build-tsan

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCALYX2_TSAN=ON \
  -DCALYX2_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target calyx2 calyx2-stress

source scripts/xvfb-env.sh

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan-suppressions.txt"
stress=("$build/tests/stress/calyx2-stress" "$build/plugin/calyx2.so")
"${stress[@]}" --only "editor cycles while automating" --editor-cycles 150
"${stress[@]}" --only "automation while processing" --automated-blocks 1500
