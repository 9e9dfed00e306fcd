#!/usr/bin/env bash
# The Debian package as apt would install it: built by CPack, free of lintian errors, with found
# dependencies; installed into a throw-away root with dpkg, every file is where hosts, man and
# policy look for it, the installed tools load the installed plug-in and render the same samples
# as the build tree, and purging leaves nothing behind.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work"/package/calyx2_*.deb)
[ -f "$deb" ] || fail "cpack wrote no calyx2_*.deb"

# Warnings and notes are shown, errors fail.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$status" = 0 ] || fail "lintian reports errors"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsndfile1; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
version=$(dpkg-deb -f "$deb" Version)

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The throw-away root has no other package, so its dependencies are known to be missing.
dpkg_root() {
  dpkg --root="$root" --force-not-root --force-depends --log=/dev/null "$@" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; return 1; }
}
dpkg_root --install "$deb" || fail "dpkg cannot install the package"

files=$(cd "$root" && find usr -type f -o -type l | sort)
allowed='^usr/lib/vst/[^/]+\.so$|^usr/lib/clap/[^/]+\.clap$|^usr/lib/lv2/[^/]+\.lv2/.+$|^usr/bin/calyx2-[^/]+$'
allowed+='|^usr/share/man/man1/calyx2-[^/]+\.1\.gz$|^usr/share/doc/calyx2/(copyright|changelog\.gz)$'
stray=$(grep -Ev "$allowed" <<<"$files" || true)
[ -z "$stray" ] || fail "files where nothing looks for them: $stray"
for expected in usr/lib/vst/calyx2.so usr/bin/calyx2-info usr/bin/calyx2-render usr/share/doc/calyx2/copyright; do
  grep -qx "$expected" <<<"$files" || fail "no $expected"
done
for tool in "$root"/usr/bin/*; do
  grep -qx "usr/share/man/man1/$(basename "$tool").1.gz" <<<"$files" || fail "no man page for $(basename "$tool")"
done
for bundle in "$root"/usr/lib/lv2/*.lv2; do
  [ -e "$bundle" ] || continue
  [ -f "$bundle/manifest.ttl" ] || fail "$(basename "$bundle") has no manifest.ttl"
done
if [ -f "$build/clap/calyx2.clap" ]; then
  grep -qx usr/lib/clap/calyx2.clap <<<"$files" || fail "the CLAP plug-in is not in /usr/lib/clap"
fi
if [ -d "$build/lv2/bundles/calyx2.lv2" ]; then
  grep -qx usr/lib/lv2/calyx2.lv2/manifest.ttl <<<"$files" || fail "the LV2 bundle is not in /usr/lib/lv2"
  LV2_PATH="$root/usr/lib/lv2" lv2info urn:tamberlow:calyx2 >"$work/lv2info.txt" 2>&1 ||
    fail "lv2info cannot read the packaged bundle: $(cat "$work/lv2info.txt")"
fi
latest=$(zcat "$root/usr/share/doc/calyx2/changelog.gz" | sed -n 1p)
[[ $latest == *"($version)"* ]] || fail "the changelog's latest entry is not version $version: $latest"

info=$("$root/usr/bin/calyx2-info" "$root/usr/lib/vst/calyx2.so") || fail "the packaged calyx2-info cannot load the packaged plug-in"
grep -q '^Programs (32)' <<<"$info" || fail "the packaged plug-in does not list 32 programs"
"$root/usr/bin/calyx2-render" -q --plugin "$root/usr/lib/vst/calyx2.so" --program 16 -o "$work/packaged.wav" ||
  fail "the packaged calyx2-render failed"
"$build/tools/render/calyx2-render" -q --plugin "$build/plugin/calyx2.so" --program 16 -o "$work/built.wav"
cmp -s "$work/packaged.wav" "$work/built.wav" || fail "the packaged plug-in renders other samples than the built one"

dpkg_root --purge calyx2 || fail "dpkg cannot remove the package"
left=$(cd "$root" && find . -path ./var -prune -o -print | grep -v '^\.$' || true)
[ -z "$left" ] || fail "purging left: $left"
