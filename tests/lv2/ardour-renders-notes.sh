#!/usr/bin/env bash
# Ardour, headless through its Lua session tool, loads the bundle on a MIDI track, plays three notes
# into it and exports the master bus; the file must be silent before the first note and sound at the
# notes' pitches. Runs on Ardour's dummy back end: no audio server is needed.
# Usage: ardour-renders-notes.sh LV2_PATH_DIRECTORY PLUGIN_URI PITCH_CHECK_PROGRAM
set -uo pipefail
lv2_path=$(cd "$1" && pwd)
uri=$2
pitch_check=$3
here=$(cd "$(dirname "$0")" && pwd)
wrapper=$(command -v ardour7-lua) || { echo "ardour7-lua (package ardour) is missing"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A configuration directory of its own: the user's Ardour settings stay out, the generator script in.
mkdir -p "$work/config/ardour7/scripts"
cp "$here/ardour/calyx2_test_notes.lua" "$work/config/ardour7/scripts/"
# Ardour's data without the MIDNAM patch files: it parses those on a thread of their own while the
# session starts, and an export that ends during that parse crashes inside libxml2 now and then
# (Ardour 7.3). The wrapper's environment is kept, with this data path instead of its own.
eval "$(grep '^export ' "$wrapper")"
luasession=$(sed -n 's/^exec \([^ ]*\).*/\1/p' "$wrapper")
mkdir "$work/data"
for entry in "$ARDOUR_DATA_PATH"/*; do
  [ "$(basename "$entry")" = patchfiles ] || ln -s "$entry" "$work/data/"
done
# Ardour 7.3's Lua session tool also crashes now and then while tearing its export down, after the
# file is written (its own Reasonable Synth shows the same). So a run counts when the exported file
# passes the checks, whatever Ardour's exit status; a run without a good file is tried again, twice.
windows=(silent:0:0.24 note:0.4:0.9:69 note:1.4:1.9:76 note:2.4:2.9:57)
for attempt in 1 2 3; do
  rm -rf "$work/session" "$work/export"
  ARDOUR_DATA_PATH="$work/data" XDG_CONFIG_HOME="$work/config" HOME="$work" LV2_PATH="$lv2_path" \
    timeout 300 "$luasession" "$here/ardour/render-session.lua" "$work" "$uri" >"$work/ardour.log" 2>&1
  status=$?
  if grep -q "^FAIL" "$work/ardour.log"; then
    grep "^FAIL" "$work/ardour.log"
    exit 1
  fi
  exported="$work/export/calyx2.wav"
  if [ -s "$exported" ] && "$pitch_check" "$exported" "${windows[@]}" >"$work/check.log"; then
    cat "$work/check.log"
    [ $status -ne 0 ] && echo "note: Ardour exited with status $status after exporting (attempt $attempt)"
    exit 0
  fi
  echo "attempt $attempt: Ardour exit status $status, no good export"
done
cat "$work/check.log" 2>/dev/null
grep -v "Ignored format" "$work/ardour.log"
exit 1
