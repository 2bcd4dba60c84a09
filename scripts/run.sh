#!/usr/bin/env bash
# Installs what dezu needs, builds it and runs it. With no display (a server,
# a container) it shows what it looks like instead: it starts a virtual display
# with a tray host, runs dezu there, pops up the launcher panel, saves a
# screenshot and prints where the screenshot is.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${DEZU_BUILD_DIR:-build}
bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/dezu"
fi

source tests/e2e/lib.sh
shot="${TMPDIR:-/tmp}/dezu-$(date +%Y%m%d-%H%M%S).png"
e2e_setup || { echo "could not start a virtual display with a tray host" >&2; exit 1; }
e2e_start_dezu "$build/dezu" || { echo "dezu did not put its tray icon in place" >&2; exit 1; }
read -r x y < <(e2e_click_tray_icon 1) || { echo "could not click the tray icon" >&2; exit 1; }
e2e_wait_until 50 bash -c "xdotool search --onlyvisible --pid $E2E_PID | grep -q ." || true
# Point at the first row so that the highlight shows too.
xdotool mousemove --sync $((x - 2 + 65)) $((y - 188 + 9))
sleep 0.5
e2e_screenshot "$shot"
echo "dezu ran on a virtual display; its launcher panel: $shot"
