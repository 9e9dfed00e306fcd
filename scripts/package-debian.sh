#!/usr/bin/env bash
# Builds the Linux plug-in and tools (no tests) in build-package/ and makes the Debian package
# out/calyx2_<version>_<arch>.deb: `sudo apt install ./out/calyx2_*.deb` installs it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
build="build-package"

scripts/setup.sh package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$jobs"
mkdir -p out
cpack --config "$build/CPackConfig.cmake" -B "$build/cpack" >/dev/null
rm -f out/calyx2_*.deb
cp "$build"/cpack/calyx2_*.deb out/
echo "Wrote $(ls out/calyx2_*.deb)"
