#!/bin/bash
# Runs the Win32 editor test program under Wine on a private virtual X display.
#   tests/editor/run-wine-tests.sh BUILD_DIR     (a build with cmake/toolchain-mingw64.cmake or -mingw32)
# Builds calyx2_editor_win32_tests there if needed, starts Xvfb (24-bit colour, so that GDI's
# raster operations are exact), runs the program and stops the display again.
set -euo pipefail

build_dir=${1:?usage: run-wine-tests.sh BUILD_DIR}
cmake --build "$build_dir" --target calyx2_editor_win32_tests -j2 >/dev/null
program=$(find "$build_dir" -name calyx2_editor_win32_tests.exe | head -n 1)
[ -n "$program" ] || { echo "calyx2_editor_win32_tests.exe not found in $build_dir" >&2; exit 1; }

wine_binary=wine
if file "$program" | grep -q x86-64 && command -v wine64 >/dev/null; then wine_binary=wine64; fi

export WINEPREFIX=${WINEPREFIX:-/tmp/calyx2-editor-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

display_number=${CALYX2_TEST_DISPLAY:-93}
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display_number"
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display_number" ] && break
    sleep 0.1
done

if [ ! -d "$WINEPREFIX" ]; then
    "$wine_binary" wineboot --init >/dev/null 2>&1 || true
fi
"$wine_binary" "$program" "${@:2}"
status=$?
wineserver -k 2>/dev/null || true
exit $status
