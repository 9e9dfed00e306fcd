#!/bin/bash
# Runs the Win32 editor test program under Wine on a private virtual X display.
#   tests/editor/run-wine-tests.sh BUILD_DIR     (a build with cmake/toolchain-mingw64.cmake or -mingw32)
# Builds calyx2_editor_win32_tests there if needed, starts Xvfb (24-bit colour, so that GDI's
# raster operations are exact), runs the program and stops the display again.
set -uo pipefail

build_dir=${1:?usage: run-wine-tests.sh BUILD_DIR}
cmake --build "$build_dir" --target calyx2_editor_win32_tests -j2 >/dev/null || exit 1
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
status=0
"$wine_binary" "$program" --gtest_filter=-*HoldsStillForAnOutsideScreenshot "${@:2}" || status=$?

# The same panel photographed from the X display itself must equal the offscreen picture.
shots=$(mktemp -d)
CALYX2_SCREENSHOT_DIR=$shots "$wine_binary" "$program" --gtest_filter=*HoldsStillForAnOutsideScreenshot >/dev/null &
holder=$!
for _ in $(seq 300); do
    [ -e "$shots/ready" ] && break
    sleep 0.1
done
if [ -e "$shots/ready" ]; then
    sleep 0.5
    read -r left top <"$shots/origin.txt"
    import -window root -crop "560x320+$left+$top" +repage "$shots/display.png"
    touch "$shots/done"
    differing=$(compare -metric AE "$shots/display.png" "$shots/offscreen.ppm" null: 2>&1 || true)
    if [ "$differing" = "0" ]; then
        echo "display screenshot: identical to the offscreen picture"
    else
        echo "display screenshot: $differing pixels differ from the offscreen picture ($shots)" >&2
        status=1
    fi
else
    echo "display screenshot: the test program never showed the panel" >&2
    status=1
fi
wait "$holder" || status=1
[ $status -ne 0 ] || rm -rf "$shots"
wineserver -k 2>/dev/null || true
exit $status
