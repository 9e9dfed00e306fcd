# Sourced by the scripts whose tests open windows: a virtual X display of their own when none is set,
# stopped when the script exits.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  display=:$((90 + RANDOM % 200))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  calyx2_xvfb_pid=$!
  trap 'kill $calyx2_xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=$display
  sleep 1
fi
