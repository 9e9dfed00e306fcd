#!/usr/bin/env bash
# `cmake --install` into a throw-away prefix: the plug-in and the tools land where hosts and users
# look, every tool has its man page, and the installed tools find and load the installed plug-in.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
[ -f "$prefix/lib/vst/calyx2.so" ] || fail "no lib/vst/calyx2.so"
for tool in calyx2-info calyx2-render calyx2-presets; do
  [ -x "$prefix/bin/$tool" ] || fail "no bin/$tool"
done
for tool in "$prefix"/bin/*; do
  [ -f "$prefix/share/man/man1/$(basename "$tool").1.gz" ] || fail "no man page for $(basename "$tool")"
done

# Nothing names the plug-in: the tools must find it beside themselves, not elsewhere on this machine.
export HOME=$prefix VST_PATH=
unset CALYX2_PLUGIN
info=$("$prefix/bin/calyx2-info") || fail "calyx2-info cannot load the installed plug-in"
loaded=$(sed -n 's/^File: *//p' <<<"$info")
[ "$(realpath "$loaded")" = "$(realpath "$prefix/lib/vst/calyx2.so")" ] || fail "calyx2-info loaded $loaded"
grep -q '^Programs (32)' <<<"$info" || fail "the installed plug-in does not list 32 programs"
"$prefix/bin/calyx2-render" -q --program 16 -o "$prefix/demo.wav" || fail "calyx2-render failed"
[ -s "$prefix/demo.wav" ] || fail "calyx2-render wrote nothing"
"$prefix/bin/calyx2-presets" export-program 0 "$prefix/program0.fxp" || fail "calyx2-presets failed"
