#!/usr/bin/env bash
# The built bundle as the LV2 tools see it: lv2_validate finds no error against Debian's schema
# bundles, and lv2info lists the 72 ports, the 32 presets, the UI and the state interface.
# Usage: check-bundle.sh BUNDLE_DIRECTORY PLUGIN_URI
set -uo pipefail
bundle=$1
uri=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

command -v lv2_validate >/dev/null && command -v sord_validate >/dev/null ||
  { echo "lv2_validate or sord_validate (packages lv2-dev, sordi) missing"; exit 1; }
# lv2_validate exits 0 whatever it finds: read its report.
validation=$(lv2_validate "$bundle"/*.ttl 2>&1)
report() { grep -A3 "^$1" <<<"$validation" | head -20; }
grep -q "^Found 0 errors" <<<"$validation" || fail "lv2_validate: $(report error)"
grep -q "^warning" <<<"$validation" && fail "lv2_validate warns: $(report warning)"

info=$(LV2_PATH=$(dirname "$bundle") lv2info "$uri" 2>&1)
[ "$(grep -c '^	Port [0-9]*:' <<<"$info")" -eq 72 ] || fail "lv2info does not list 72 ports"
for expected in "Symbol:      LVL1" "Symbol:      D_FB" "Symbol:      events" "Symbol:      out_right" \
                "${uri}#ui" "ui#X11UI" "state#interface" "Soft Brass" "A Woody on the Trail" \
                "Wanna play my flute baby" "Bright Bells of Bellitud"; do
  grep -qF "$expected" <<<"$info" || fail "lv2info does not show '$expected'"
done
presets=$(sed -n '/Presets:/,/^	[A-Z]/p' <<<"$info" | grep -c '^	         ')
[ "$presets" -eq 32 ] || fail "lv2info lists $presets presets instead of 32"
grep -qi "error" <<<"$info" && fail "lv2info reports errors: $(grep -i error <<<"$info" | head -5)"

[ "$failures" -eq 0 ] && echo "bundle checks passed"
exit "$failures"
