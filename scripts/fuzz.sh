#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on) in
# build-fuzz and runs each for a bounded time, starting from its committed corpus in
# fuzz/corpus/<target>. Prints the executions and the coverage each reached; stops at the first
# fault, leaving the input that caused it in build-fuzz/artifacts/<target>/.
#   CALYX2_FUZZ_SECONDS  seconds per target (default 60)
#   --merge              afterwards, replace the committed corpora by a minimised set of inputs that
#                        reaches every edge the committed and the new inputs reach
#   --only <target>      run one target (chunk, events or dispatcher)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${CALYX2_FUZZ_SECONDS:-60}
jobs=${CALYX2_JOBS:-2}
build=build-fuzz
targets=(chunk events dispatcher)
merge=0
while [ $# -gt 0 ]; do
  case "$1" in
    --merge) merge=1 ;;
    --only) shift; targets=("$1") ;;
    *) echo "fuzz: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

# Longest input per target: the chunk target needs room for a whole bank chunk.
declare -A max_len=([chunk]=12000 [events]=8192 [dispatcher]=4096)

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCALYX2_FUZZ=ON \
  -DCALYX2_BUILD_TESTS=OFF -DCALYX2_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/calyx2_fuzz_}" >/dev/null

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
summary=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/calyx2_fuzz_$target"
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  log="$build/fuzz-$target.log"
  mkdir -p "$work" "$artifacts" "fuzz/corpus/$target"
  echo "fuzz: $target for ${seconds} s"
  # New inputs go to the first directory, so the committed corpus is only read.
  if ! "$binary" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target found a fault; the input is in $artifacts (replay: $binary <file>)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -E 's/.*(cov: [0-9]+ ft: [0-9]+).*/\1/' || true)
  corpus=$(grep -E '^#[0-9]+.*corp: ' "$log" | tail -n 1 | sed -E 's/.*corp: ([0-9]+)\/.*/\1/' || true)
  summary+=("$(printf '%-11s %10s executions in %3s s   %s   corpus %s' "$target" "$runs" "$seconds" "$coverage" "$corpus")")
  if [ "$merge" = 1 ]; then
    # The fewest inputs that reach every edge reached so far (hit counts left out), so the committed
    # corpus stays small.
    merged=$(mktemp -d)
    "$binary" -merge=1 -use_counters=0 -max_len="${max_len[$target]}" "$merged" "fuzz/corpus/$target" "$work" \
      >"$log.merge" 2>&1
    rm -f "fuzz/corpus/$target"/*
    mv "$merged"/* "fuzz/corpus/$target"/
    rmdir "$merged"
    echo "fuzz: fuzz/corpus/$target now holds $(ls "fuzz/corpus/$target" | wc -l) inputs"
  fi
done
echo
printf '%s\n' "${summary[@]}"
