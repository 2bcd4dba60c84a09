#!/usr/bin/env bash
# Installs what dezu needs, builds it and runs it. With no display (a server,
# a container) it shows what it looks like instead: it starts a virtual display
# with a tray host, runs dezu there, pops up the launcher panel, saves a
# screenshot and prints where the screenshot is. Exits 0 when that worked,
# else non-zero with the reason on the last line.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${DEZU_BUILD_DIR:-build}

runtime=""
remove_runtime() { [ -z "$runtime" ] || rm -rf "$runtime"; }
fail() {
  echo "run.sh: $*" >&2
  remove_runtime
  exit 1
}

# Qt wants a private runtime folder, already when the build lists the tests.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  runtime=$(mktemp -d "${TMPDIR:-/tmp}/dezu-runtime.XXXXXX") || fail "could not make a temporary folder"
  export XDG_RUNTIME_DIR=$runtime
  trap remove_runtime EXIT
fi

bash scripts/install-deps.sh || fail "could not install the packages dezu needs"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo || fail "could not configure the build"
cmake --build "$build" || fail "the build failed"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  if [ -n "$runtime" ]; then remove_runtime; unset XDG_RUNTIME_DIR; fi
  exec "$build/dezu"
fi

source tests/e2e/lib.sh
shot="${TMPDIR:-/tmp}/dezu-$(date +%Y%m%d-%H%M%S).png"
e2e_setup || fail "could not start a virtual display with a tray host"
trap 'e2e_cleanup; remove_runtime' EXIT
e2e_start_dezu "$build/dezu" || fail "dezu did not put its tray icon in place"
read -r x y < <(e2e_click_tray_icon 1) || fail "could not click the tray icon"
e2e_wait_until 150 e2e_panel_shown || fail "the launcher panel did not show"
# Point at the first row so that the highlight shows too.
xdotool mousemove --sync $((x - 2 + 65)) $((y - 188 + 9)) || fail "could not move the pointer"
sleep 0.5
e2e_screenshot "$shot" && [ -s "$shot" ] || fail "could not take the screenshot"
echo "dezu ran on a virtual display; its launcher panel: $shot"
