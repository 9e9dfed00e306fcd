#!/usr/bin/env bash
# calyx2-render on long MIDI files: realtime factor (from --bench), CPU seconds and peak memory (from
# /usr/bin/time -v) for output to a file and to a pipe. Memory should not grow with the length. On a
# busy machine the realtime factor wanders; the CPU seconds hold still.
#   bench/render-long.sh [RENDER-TOOL] [MINUTES...]     (defaults: build/tools/render/calyx2-render, 2 10)
set -euo pipefail
render=${1:-build/tools/render/calyx2-render}
[[ $# -gt 0 ]] && shift
[[ $# -gt 0 ]] && minutes=("$@") || minutes=(2 10)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A format-0 file at 120 bpm: a three-note chord on every beat, held for the beat.
write_song() {
    local beats=$(($1 * 120)) path=$2 chord track_length
    chord='\x00\x90\x3C\x64\x00\x90\x40\x64\x00\x90\x43\x64\x83\x60\x80\x3C\x00\x00\x80\x40\x00\x00\x80\x43\x00'
    track_length=$((beats * 25 + 4))
    {
        printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0MTrk'
        printf "\\x$(printf %02X $((track_length >> 24 & 255)))\\x$(printf %02X $((track_length >> 16 & 255)))"
        printf "\\x$(printf %02X $((track_length >> 8 & 255)))\\x$(printf %02X $((track_length & 255)))"
        for ((i = 0; i < beats; ++i)); do printf "$chord"; done
        printf '\x00\xFF\x2F\x00'
    } > "$path"
}

peak_rss() { grep 'Maximum resident' "$1" | awk '{print $NF " kB"}'; }

cpu_seconds() { grep 'User time' "$1" | awk '{print $NF}'; }

printf '%-8s %-10s %-12s %-16s %-16s\n' minutes realtime "CPU s" "RSS to file" "RSS to pipe"
for m in "${minutes[@]}"; do
    song="$work/song-$m.mid"
    write_song "$m" "$song"
    speed=$("$render" --bench "$song" | awk '/^realtime:/ {print $2}')
    /usr/bin/time -v "$render" -q -d float "$song" -o "$work/out.wav" 2> "$work/file.time"
    /usr/bin/time -v "$render" -q -d float "$song" -o - 2> "$work/pipe.time" | cat > /dev/null
    printf '%-8s %-10s %-12s %-16s %-16s\n' "$m" "$speed" "$(cpu_seconds "$work/file.time")" \
        "$(peak_rss "$work/file.time")" "$(peak_rss "$work/pipe.time")"
done
