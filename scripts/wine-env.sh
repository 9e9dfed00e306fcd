# Sourced by the scripts that run Windows programs: a Wine prefix of our own for this run, quiet,
# without the .NET and HTML installers, and a virtual X display for the editor's window.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${CALYX2_WINEPREFIX:-$(mktemp -d /tmp/calyx2-wine.XXXXXX)/prefix}"
if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  CALYX2_XVFB_PID=$!
  export DISPLAY=$display
  sleep 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -u >/dev/null 2>&1 || true
  wineserver -w || true
fi
calyx2_wine_cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "${CALYX2_XVFB_PID:-}" ] && kill "$CALYX2_XVFB_PID" 2>/dev/null || true
}
trap calyx2_wine_cleanup EXIT
