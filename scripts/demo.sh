#!/usr/bin/env bash
# From a fresh clone to sound: installs only what the Linux plug-in and calyx2-render need, builds
# those two, and plays the built-in demo piece through the plug-in into WAV files: factory program 0
# ("Soft Brass") and program 16 ("Satan's Lyre"), in out/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh demo
scripts/build.sh demo

mkdir -p out
plugin=build/plugin/calyx2.so
render=build/tools/render/calyx2-render
for program in 0 16; do
  # 32-bit float keeps the peaks of the louder programs intact.
  "$render" --plugin "$plugin" --program "$program" -d float -o "out/demo-program$program.wav"
done
echo
echo "The plug-in:  $PWD/$plugin"
echo "              (hosts find it in ~/.vst; scripts/install-user.sh puts it there with the tools)"
echo "The demo:"
for program in 0 16; do
  echo "              $PWD/out/demo-program$program.wav"
done
