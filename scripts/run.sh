#!/usr/bin/env bash
# Installs what is missing, builds and starts KELVO. Without a display it runs the
# program under Xvfb, takes a screenshot after a few seconds and says where it is.
#   scripts/run.sh          start on the serial ports of this machine
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
KELVO_BUILD_DIR="$here/build" "$here/scripts/build.sh"
bin="$here/build/bin/kelvo"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin"
fi

mkdir -p "$here/shots"
shot="$here/shots/kelvo-$(date +%Y%m%d-%H%M%S).png"
seconds=${KELVO_SHOT_AFTER:-6}
echo "No display: running KELVO under Xvfb (1440x900) for ${seconds}s"
xvfb-run -a -s "-screen 0 1440x900x24" bash -c '
  "$1" & pid=$!
  sleep "$2"
  import -window root "$3"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
' _ "$bin" "$seconds" "$shot"
echo "Screenshot: $shot"
