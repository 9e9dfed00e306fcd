#!/usr/bin/env bash
# Builds the web page and runs the headless Chromium tests (tests/web) against it and against the
# native build in build/ (its reference renderer, panel and preset tools and plug-in are built here if
# missing).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}

scripts/web.sh --build-only
cmake --build build-web -j"$jobs" --target calyx2_web_truncations
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target calyx2-web-reference calyx2-panel calyx2-presets calyx2
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node --test tests/web/
