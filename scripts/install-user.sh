#!/usr/bin/env bash
# Installs Calyx2 for the current user only, without root: the plug-ins in the folders hosts search
# in a home directory (~/.vst, and ~/.clap, ~/.lv2 for those formats), the tools in ~/.local/bin
# and their man pages in ~/.local/share/man. Builds in build-user/ (tests off).
#   scripts/install-user.sh              build and install
#   scripts/install-user.sh --uninstall  remove every file the last install put in place
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${CALYX2_JOBS:-$(nproc)}
build="build-user"

if [ "${1:-}" = --uninstall ]; then
  manifest=$build/install_manifest.txt
  [ -f "$manifest" ] || { echo "install-user: nothing installed from $build" >&2; exit 1; }
  xargs -d '\n' rm -fv <"$manifest"
  rm -f "$manifest"
  exit 0
fi

scripts/setup.sh user
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCALYX2_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX="$HOME/.local" \
  -DCALYX2_INSTALL_VSTDIR="$HOME/.vst" \
  -DCALYX2_INSTALL_CLAPDIR="$HOME/.clap" \
  -DCALYX2_INSTALL_LV2DIR="$HOME/.lv2" >/dev/null
cmake --build "$build" -j"$jobs"
cmake --install "$build" --strip >/dev/null

echo
echo "Installed: the plug-in in ~/.vst, the tools in ~/.local/bin (file list: $build/install_manifest.txt)."
case ":$PATH:" in
  *":$HOME/.local/bin:"*) ;;
  *) echo "Add ~/.local/bin to PATH (a new login does it on Debian) to run calyx2-render and the others." ;;
esac
