#!/usr/bin/env bash
# Builds everything and plays the built-in demo piece through the built plug-in into WAV files:
# factory program 0 ("Soft Brass") and program 16 ("Satan's Lyre"), in out/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh

mkdir -p out
render=build/tools/render/calyx2-render
for program in 0 16; do
  # 32-bit float keeps the peaks of the louder programs intact.
  "$render" --program "$program" -d float -o "out/demo-program$program.wav"
done
echo
echo "Wrote:"
ls -l out/demo-program*.wav
