#!/usr/bin/env bash
# Builds the Windows plug-ins for 64-bit and 32-bit hosts (no tests, no tools) in
# build-package-win64 and build-package-win32 and packs them, with a note on where hosts look,
# into out/calyx2-<version>-windows.zip: 64-bit/ and 32-bit/ hold each build's installed plug-ins.
# Needs the mingw-w64 cross compilers that scripts/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
version=$(sed -n 's/^project(Calyx2 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=calyx2-$version-windows
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

for arch in 64 32; do
  build=build-package-win$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCALYX2_BUILD_TESTS=OFF -DCALYX2_BUILD_TOOLS=OFF >/dev/null
  cmake --build "$build" -j"$jobs"
  cmake --install "$build" --strip --prefix "$stage/$name/$arch-bit" >/dev/null
done
# Notepad and every other Windows reader take CRLF lines.
sed 's/$/\r/' packaging/windows/README.txt >"$stage/$name/README.txt"
sed 's/$/\r/' packaging/debian/copyright >"$stage/$name/copyright.txt"

mkdir -p out
rm -f "out/$name.zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/out/$name.zip" --format=zip "$name")
echo "Wrote out/$name.zip:"
unzip -l "out/$name.zip" 2>/dev/null || true
