#!/usr/bin/env bash
# Installs the Debian packages that are missing, for one of these uses:
#   scripts/setup.sh          everything the builds and the whole test suite need (scripts/test.sh)
#   scripts/setup.sh demo     only what the Linux plug-in and calyx2-render need (scripts/demo.sh)
#   scripts/setup.sh user     that and help2man for the tools' man pages (scripts/install-user.sh)
#   scripts/setup.sh package  that and what CPack's Debian packages need (scripts/package-debian.sh)
set -euo pipefail

demo_packages=(build-essential cmake pkg-config libsndfile1-dev libx11-dev)
user_packages=("${demo_packages[@]}" help2man)
package_packages=("${user_packages[@]}" dpkg-dev file)
test_packages=(
  "${package_packages[@]}" git
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  xvfb xdotool x11-utils libxtst-dev
  libpng-dev imagemagick
  clang libclang-rt-14-dev valgrind
  dpf-plugins-vst
  lintian
  lv2-dev liblilv-dev lilv-utils sordi jalv jackd2 ardour
  emscripten chromium nodejs
  qtractor libasound2-dev libjack-jackd2-dev
)
case "${1:-all}" in
  all) packages=("${test_packages[@]}")
       # npm comes with some builds of nodejs and as Debian's own package with others.
       command -v npm >/dev/null 2>&1 || packages+=(npm) ;;
  demo) packages=("${demo_packages[@]}") ;;
  user) packages=("${user_packages[@]}") ;;
  package) packages=("${package_packages[@]}") ;;
  *) echo "usage: scripts/setup.sh [demo|user|package]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if printf '%s\n' "${missing[@]}" | grep -q ':i386'; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
