#!/usr/bin/env bash
# jalv.gtk3 instantiates the plug-in from the built bundle and embeds its panel: under a private Xvfb
# display and a private dummy JACK server (both started and stopped here), a 560x320 window of ours
# appears inside jalv's, follows a drag of one of its knobs, and jalv keeps running with it.
# Usage: jalv-shows-ui.sh LV2_PATH_DIRECTORY PLUGIN_URI
set -uo pipefail
lv2_path=$1
uri=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
for tool in Xvfb jackd jack_wait jalv.gtk3 xwininfo xdotool import compare; do
  command -v "$tool" >/dev/null || { echo "$tool is missing"; exit 1; }
done

# Wait up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((i = 0; i < tenths; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 100 test -s "$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# A server of our own name, so that nothing else on the machine is touched.
export JACK_DEFAULT_SERVER="calyx2-lv2-test-$$"
export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
if ! jack_wait -w -t 10 >/dev/null 2>&1; then
  echo "the dummy JACK server did not start"
  cat "$work/jackd.log"
  exit 1
fi

LV2_PATH="$lv2_path" jalv.gtk3 -x -n calyx2-jalv-test "$uri" >"$work/jalv.log" 2>&1 &
jalv=$!
pids+=("$jalv")
panel() { xwininfo -root -tree | grep -q ' 560x320+'; }
if ! wait_for 300 panel; then
  echo "FAIL: no 560x320 panel window appeared"
  xwininfo -root -tree | head -40
  cat "$work/jalv.log"
  exit 1
fi
sleep 1
kill -0 "$jalv" 2>/dev/null || { echo "FAIL: jalv exited with the panel open"; cat "$work/jalv.log"; exit 1; }
grep -qi "error\|failed" "$work/jalv.log" && { echo "FAIL: jalv reports:"; cat "$work/jalv.log"; exit 1; }
# Drag the first knob (operator 1's level) upwards: the panel, pumped by jalv's idle calls, redraws it.
knob() { import -window root -crop 40x40+8+8 "$1"; }
knob "$work/before.png"
xdotool mousemove 28 28 mousedown 1 mousemove 28 20 mousemove 28 5 mouseup 1
changed() {
  knob "$work/after.png"
  [ "$(compare -metric AE "$work/before.png" "$work/after.png" /dev/null 2>&1)" != 0 ]
}
wait_for 50 changed || { echo "FAIL: the knob did not follow the drag"; exit 1; }
echo "jalv shows the panel"
