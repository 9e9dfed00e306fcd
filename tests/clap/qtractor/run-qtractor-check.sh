#!/bin/bash
# Qtractor, a real CLAP host, plays a MIDI clip through calyx2.clap and shows its panel.
#   run-qtractor-check.sh CALYX2_CLAP FAKE_SEQUENCER_LIBRARY SCRATCH_DIR
# Everything it needs it starts itself and stops again: a virtual display, a JACK server on the
# dummy back end, Qtractor with a session of one MIDI track (a clip of sixteen notes, Calyx2 as its
# instrument). Qtractor also wants the ALSA sequencer, which machines without sound hardware lack:
# the preloaded stand-in answers its calls with a client that has no peers.
# Passes when the recording of Qtractor's master output is not silent and a 560 x 320 window (the
# panel) exists on the display. Exit 77 (skipped) when a program it needs is missing.
set -uo pipefail
clap=${1:?usage: run-qtractor-check.sh CALYX2_CLAP FAKE_SEQUENCER SCRATCH}
sequencer=${2:?}
scratch=${3:?}
for program in qtractor jackd jack_rec jack_lsp Xvfb xdotool xwininfo od; do
    command -v "$program" >/dev/null || { echo "skipped: $program is not installed"; exit 77; }
done
rm -rf "$scratch" && mkdir -p "$scratch/home/.clap" || exit 1
cp "$clap" "$scratch/home/.clap/calyx2.clap" || exit 1

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT
wait_for() {  # seconds, command...
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# Sixteen notes, a quarter note each at 120 beats per minute (format 1, one track, 480 ticks).
notes=""
for key in 3c 40 43 48 3c 40 43 48 3c 40 43 48 3c 40 43 48; do
    notes+="\\x00\\x90\\x$key\\x64\\x83\\x10\\x80\\x$key\\x00\\x60\\xb0\\x40\\x00"
done
notes+="\\x00\\xff\\x2f\\x00"
track=$(printf "$notes" | wc -c)
printf "MThd\\x00\\x00\\x00\\x06\\x00\\x01\\x00\\x01\\x01\\xe0MTrk\\x00\\x00\\x$(printf %02x $((track / 256)))\\x$(printf %02x $((track % 256)))$notes" \
    >"$scratch/notes.mid"
cat >"$scratch/session.qtr" <<SESSION
<!DOCTYPE qtractorSession>
<session version="0.9.31" name="calyx2-clap-check">
 <properties><directory>$scratch</directory><sample-rate>48000</sample-rate><tempo>120</tempo></properties>
 <tracks>
  <track name="Calyx2" type="midi">
   <properties><input-bus>Master</input-bus><output-bus>Master</output-bus><midi-omni>1</midi-omni>
    <midi-channel>0</midi-channel></properties>
   <clips>
    <clip name="notes"><properties><start>0</start><offset>0</offset><length>384000</length></properties>
     <midi-clip><filename>$scratch/notes.mid</filename><track-channel>0</track-channel></midi-clip></clip>
   </clips>
   <plugins>
    <plugin type="CLAP"><filename>$scratch/home/.clap/calyx2.clap</filename><index>0</index>
     <activated>1</activated></plugin>
   </plugins>
  </track>
 </tracks>
</session>
SESSION

export HOME=$scratch/home
exec 5>"$scratch/display.txt"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
wait_for 15 test -s "$scratch/display.txt" || { echo "no virtual display"; exit 1; }
export DISPLAY=:$(head -n 1 "$scratch/display.txt")
export JACK_DEFAULT_SERVER=calyx2-clap-check-$$
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 1024 >"$scratch/jack.log" 2>&1 &
pids+=($!)
wait_for 15 jack_lsp || { echo "the JACK server did not start"; cat "$scratch/jack.log"; exit 1; }

LD_PRELOAD=$sequencer qtractor "$scratch/session.qtr" >"$scratch/qtractor.log" 2>&1 &
pids+=($!)
wait_for 30 xdotool search --onlyvisible --class qtractor || { echo "Qtractor did not open the session"; import -window root "$scratch/failed.png"; exit 1; }
wait_for 15 jack_lsp Qtractor:Master/out_1 || { echo "Qtractor's outputs did not appear"; exit 1; }
window=$(xdotool search --onlyvisible --class qtractor | head -n 1)
sleep 3

jack_rec -f "$scratch/take.wav" -d 4 -b 16 Qtractor:Master/out_1 Qtractor:Master/out_2 >"$scratch/rec.log" 2>&1 &
recorder=$!
pids+=($recorder)
# Play (the space bar in the focused main window), then open the plug-in's panel (double click on
# it in the track list).
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers space
sleep 1
xdotool mousemove --window "$window" 183 181 click --repeat 2 --delay 120 1
wait "$recorder"

status=0
# 16-bit samples after the 44-byte header: some must be far from silence.
loud=$(od -An -v -t d2 -j 44 "$scratch/take.wav" | tr -s ' ' '\n' | awk '$1 > 1000 || $1 < -1000' | wc -l)
if [ "$loud" -lt 1000 ]; then
    echo "Qtractor's master output stayed silent ($loud loud samples)"
    status=1
fi
if ! xwininfo -root -tree | grep -q ' 560x320+'; then
    echo "no 560 x 320 panel window on the display"; for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do xdotool getwindowname $w; done
    status=1
fi
[ $status -eq 0 ] && echo "Qtractor played the clip through Calyx2 ($loud loud samples) and shows its panel"
exit $status
