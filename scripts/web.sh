#!/usr/bin/env bash
# Builds the web page (the plug-in compiled to WebAssembly with emscripten) into build-web/site and
# serves it on http://127.0.0.1:8080/ (CALYX2_WEB_PORT to change). The benchmark page shows the
# native build's figure beside its own: this measures it once, on the same event script.
#   scripts/web.sh [--build-only]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
port=${CALYX2_WEB_PORT:-8080}

scripts/setup.sh
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web -j"$jobs" --target calyx2_web
[ "${1:-}" = "--build-only" ] && exit 0

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs" --target calyx2-web-reference
rate=44100
frames=$((rate * 10))
factor=$(node --input-type=module -e "
  import { fullPolyphonyScript, scriptText } from './web/site/event-scripts.js';
  process.stdout.write(scriptText(fullPolyphonyScript($frames)));" |
  build/tests/web/calyx2-web-reference "$rate" "$frames" --time 2>&1 >/dev/null | awk '{ print $3 }')
echo "{ \"realtimeFactor\": $factor }" > build-web/site/native-bench.json
echo "native realtime factor at full polyphony: $factor (the benchmark page: /bench.html)"

exec node web/serve.mjs build-web/site "$port"
