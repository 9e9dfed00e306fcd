#!/usr/bin/env bash
# Builds everything and runs every test: Linux, both Windows DLLs under Wine, the web page in
# headless Chromium, the sanitizer builds and the fuzzers. Exits non-zero on the first failing stage.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}

stage() { printf '\n=== %s ===\n' "$*"; }

stage "packages"
scripts/setup.sh

stage "build"
scripts/build.sh

stage "Linux tests"
source scripts/jack-registry.sh
ctest --test-dir build --output-on-failure -j"$jobs"

stage "Windows tests under Wine"
source scripts/wine-env.sh
for arch in 64 32; do
  ctest --test-dir "build-win$arch" --output-on-failure
done

stage "web page in headless Chromium"
scripts/web-test.sh

if [ -x scripts/sanitize.sh ]; then
  stage "AddressSanitizer + UndefinedBehaviorSanitizer"
  scripts/sanitize.sh
fi
if [ -x scripts/tsan.sh ]; then
  stage "ThreadSanitizer: a host's audio and interface threads"
  scripts/tsan.sh
fi
if [ -x scripts/fuzz.sh ]; then
  stage "fuzzing"
  scripts/fuzz.sh
fi
echo
echo "All test stages passed."
