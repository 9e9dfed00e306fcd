#!/usr/bin/env bash
# calyx2-render plays its demo piece through the LV2 bundle and through calyx2.so, with a program
# chosen by name and a parameter set: the two float files are the same bytes (.au, whose header has
# no time stamp, unlike the PEAK chunk of a float .wav).
# Usage: render-matches-vst.sh CALYX2_RENDER VST_BINARY LV2_BUNDLE
set -uo pipefail
render=$1
vst=$2
bundle=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for plugin in "$vst" "$bundle"; do
  output="$work/$(basename "$plugin").au"
  "$render" -q --plugin "$plugin" --program "Satan's Lyre" --set D_FB=0.7 -s 44100 -b 300 -d float \
    --tail 2 -o "$output" || { echo "FAIL: calyx2-render with $plugin"; exit 1; }
done
from_vst="$work/$(basename "$vst").au"
cmp "$from_vst" "$work/$(basename "$bundle").au" || { echo "FAIL: the renders differ"; exit 1; }
echo "the LV2 and VST 2.4 renders are identical ($(stat -c %s "$from_vst") bytes)"
