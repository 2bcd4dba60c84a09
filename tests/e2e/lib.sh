# Shared helpers of the end-to-end tests: a virtual display with a tray host,
# the program started from a fresh directory, its tray icon and panel found and
# clicked. Source it, then call e2e_setup; everything started is ended on exit.
#
#   e2e_setup                 temp dir, Xvfb, trayer (exports DISPLAY and
#                             a private XDG_RUNTIME_DIR)
#   e2e_start_openbox         a window manager on that display
#   e2e_start_dezu <dezu>     copies the program and starts it (E2E_PID)
#   e2e_tray_icon             prints the tray icon's window id
#   e2e_click_tray_icon [btn] clicks the middle of the icon
#   e2e_screenshot <file>     the whole screen as PNG
#   e2e_pixel <png> <x> <y>   "R G B" of one pixel
#   e2e_wait_until <tenths> <command...>
#   e2e_holds <tenths> <command...>   the command succeeds throughout
#   e2e_has_focus <window>    whether the window has the keyboard
#   e2e_window_named <title>  the program's window of that title (shown/gone)
#   e2e_answer <title> <text> types the answer into that window's box
#
#   e2e_require [program...]  skips the script unless every program is there
#
# Every wait is bounded; a helper that gives up prints why and returns 1.

# A script that cannot run says so and ends with this code, which CTest
# counts as skipped: a missing program never passes for a working one.
E2E_SKIP=77
# What the display helpers below run.
E2E_TOOLS=(Xvfb xdpyinfo trayer xdotool xwininfo import convert)
e2e_require() {
  local p
  for p in "${E2E_TOOLS[@]}" "$@"; do
    command -v "$p" >/dev/null 2>&1 || { echo "skip: $p is not installed"; exit "$E2E_SKIP"; }
  done
}

E2E_SCREEN_W=${E2E_SCREEN_W:-1024}
E2E_SCREEN_H=${E2E_SCREEN_H:-768}
E2E_PIDS=()
E2E_DIR=""
E2E_PID=""

# Safe under "set -e": a process that has already ended is no failure.
e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${E2E_PIDS[@]}"; do
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  E2E_PIDS=()
  [ -n "$E2E_DIR" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_DIR"
  return 0
}

# wait_until <tenths of a second> <command...>: runs the command until it succeeds.
e2e_wait_until() {
  local tenths=$1; shift
  local i
  for ((i = 0; i < tenths; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# holds <tenths of a second> <command...>: the command succeeds at every check
# over that span (for what must stay so, such as a panel that stays up).
e2e_holds() {
  local tenths=$1; shift
  local i
  for ((i = 0; i < tenths; i++)); do
    "$@" >/dev/null 2>&1 || return 1
    sleep 0.1
  done
  "$@" >/dev/null 2>&1
}

# The server picks a free display number itself (no race with other tests)
# and tells it through a file descriptor.
e2e_start_xvfb() {
  local n=""
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" -nolisten tcp -noreset \
    3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  for _ in $(seq 1 100); do
    n=$(head -1 "$E2E_DIR/display" 2>/dev/null)
    [ -n "$n" ] && break
    sleep 0.1
  done
  [ -n "$n" ] || { echo "Xvfb did not start" >&2; cat "$E2E_DIR/xvfb.log" >&2; return 1; }
  export DISPLAY=":$n"
  e2e_wait_until 100 xdpyinfo || { echo "Xvfb :$n does not answer" >&2; return 1; }
}

# The tray host owns the system-tray selection of screen 0 once it is up.
e2e_tray_up() { xdotool search --class trayer >/dev/null 2>&1; }

e2e_start_trayer() {  # extra trayer options, such as --align right
  trayer --edge bottom --align left --widthtype request --height 24 --SetDockType false \
    --SetPartialStrut false "$@" >"$E2E_DIR/trayer.log" 2>&1 &
  E2E_PIDS+=($!)
  E2E_TRAYER_PID=$!
  e2e_wait_until 100 e2e_tray_up || { echo "trayer did not come up" >&2; cat "$E2E_DIR/trayer.log" >&2; return 1; }
}

# openbox as the window manager: it decides the foreground and gives windows
# their close boxes, and draws nothing over the root window.
e2e_start_openbox() {
  command -v openbox >/dev/null || { echo "openbox is not installed" >&2; return 1; }
  openbox >"$E2E_DIR/openbox.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait_until 50 xprop -root _NET_SUPPORTING_WM_CHECK || { echo "openbox did not start" >&2; return 1; }
}

e2e_setup() {
  E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dezu-e2e.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
  # Nothing a test does may reach the real session: no system bus, no logind.
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_DIR/no-system-bus"
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
  # Qt wants a private runtime folder for the display it runs on.
  export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  e2e_start_xvfb && e2e_start_trayer "$@"
}

# e2e_start_dezu <dezu> [clock.ini text]: the program in a fresh directory with
# its own config folder; by default no start-up picture and no player bar.
e2e_start_dezu() {
  local dezu=$1
  local ini=${2-$'[系统参数]\n显示启动画面=N\n自动播放=N\n自动启动=N\n'}
  local app="$E2E_DIR/app"
  mkdir -p "$app/config"
  cp "$dezu" "$app/dezu"
  [ -n "$ini" ] && printf '%s' "$ini" >"$app/clock.ini"
  (cd "$app" && XDG_CONFIG_HOME="$app/config" QT_QPA_PLATFORM=xcb exec ./dezu) >"$E2E_DIR/dezu.log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
  e2e_wait_until 150 e2e_tray_icon || { echo "the tray icon did not appear" >&2; cat "$E2E_DIR/dezu.log" >&2; return 1; }
}

# The program's visible windows of the given size ("WxH").
e2e_windows_sized() {
  local size=$1 id
  for id in $(xdotool search --onlyvisible --pid "$E2E_PID" 2>/dev/null); do
    [ "$(e2e_size "$id")" = "$size" ] && echo "$id"
  done
  return 0  # none of that size is no failure, also under pipefail
}

# The tray icon: the program's small square window docked in trayer.
e2e_tray_icon() {
  local id size w h
  for id in $(xdotool search --onlyvisible --pid "$E2E_PID" 2>/dev/null); do
    size=$(e2e_size "$id"); w=${size%x*}; h=${size#*x}
    if [ "$w" = "$h" ] && [ "$w" -le 32 ] && [ "$w" -ge 8 ]; then echo "$id"; return 0; fi
  done
  return 1
}

e2e_size() { xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }

# "X Y" of the window's top-left corner on the screen.
e2e_position() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}'
}

# The program's visible window whose title is exactly the text, never the tray
# icon's (which answers to any name). A window that goes away while xdotool
# walks the tree (a tooltip, a popup) ends that search with an X error and no
# answer, so such a search is made again.
e2e_window_named() {
  local found try icon
  icon=$(e2e_tray_icon)
  for try in 1 2 3 4 5; do
    found=$(xdotool search --all --onlyvisible --pid "$E2E_PID" --name "^$1\$" 2>"$E2E_DIR/search.err" |
      grep -vx "$icon" | head -1)
    [ -n "$found" ] && break
    grep -q "X Error" "$E2E_DIR/search.err" || break
    sleep 0.05
  done
  echo "$found"
}
e2e_window_shown() { [ -n "$(e2e_window_named "$1")" ]; }
e2e_window_gone() { ! e2e_window_shown "$1"; }
# Gives the named window the keyboard, types the text into it (none for "")
# and presses Return; true once the window has gone.
e2e_answer() {  # e2e_answer <title> <text>
  local id
  e2e_wait_until 50 e2e_window_shown "$1" || return 1
  id=$(e2e_window_named "$1")
  xdotool windowfocus --sync "$id"
  e2e_wait_until 30 e2e_has_focus "$id"
  [ -n "$2" ] && xdotool type --delay 30 "$2"
  xdotool key Return
  e2e_wait_until 50 e2e_window_gone "$1"
}

e2e_has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

e2e_is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }

# Clicks the middle of the tray icon and prints where the pointer was.
e2e_click_tray_icon() {
  local button=${1:-1} id pos size x y
  id=$(e2e_tray_icon) || return 1
  read -r x y < <(e2e_position "$id")
  size=$(e2e_size "$id")
  x=$((x + ${size%x*} / 2)); y=$((y + ${size#*x} / 2))
  xdotool mousemove --sync "$x" "$y" click "$button"
  echo "$x $y"
}

e2e_screenshot() { import -window root "$1"; }

# "R G B" of one pixel of a PNG.
e2e_pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)] %[fx:int(255*p{'"$2"','"$3"'}.g)] %[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# Checks: e2e_check <what> <command...> counts and reports; e2e_summary ends
# the script with the verdict (and keeps the work folder when anything failed).
E2E_PASSED=0
E2E_FAILED=0
e2e_check() {
  local what=$1; shift
  if "$@"; then echo "  ok   $what"; E2E_PASSED=$((E2E_PASSED + 1))
  else echo "  FAIL $what"; E2E_FAILED=$((E2E_FAILED + 1)); E2E_KEEP=1; fi
}
e2e_fail_now() { echo "  FAIL $*"; E2E_KEEP=1; echo "kept: $E2E_DIR"; exit 1; }
e2e_equal() { [ "$1" = "$2" ] || { echo "       got '$1', expected '$2'"; return 1; }; }
e2e_summary() {
  [ "$E2E_FAILED" = 0 ] || { echo "log:"; cat "$E2E_DIR/dezu.log"; echo "kept: $E2E_DIR"; }
  echo "$E2E_PASSED passed, $E2E_FAILED failed"
  [ "$E2E_FAILED" = 0 ]
}

# The launcher panel: its window, whether it shows, and its rows. The row
# helpers take the panel's position from $left and $top.
E2E_PANEL_W=106
E2E_PANEL_H=188
e2e_panel() { e2e_windows_sized "${E2E_PANEL_W}x${E2E_PANEL_H}" | head -1; }
e2e_panel_shown() { local id; id=$(e2e_panel) && [ -n "$id" ] && e2e_is_viewable "$id"; }
e2e_panel_hidden() { ! e2e_panel_shown; }
e2e_row_top() { echo $((1 + 17 * ($1 - 1))); }
e2e_row_highlighted() { [ "$(e2e_panel_pixel 25 "$(e2e_row_top "$1")")" = "255 214 80" ]; }
# Moves the pointer over a row and waits, bounded, for its highlight.
e2e_point_at_row() {
  xdotool mousemove --sync $((left + 25 + 40)) $((top + $(e2e_row_top "$1") + 8))
  e2e_wait_until 30 e2e_row_highlighted "$1" || true
}
# Pixel of the panel at (x, y) in panel coordinates, from a fresh screenshot.
e2e_panel_pixel() {
  local shot="$E2E_DIR/shot-$RANDOM.png"
  e2e_screenshot "$shot"
  e2e_pixel "$shot" $((left + $1)) $((top + $2))
}

# Whether the tray host (window id) holds dezu's icon.
e2e_icon_docked() { xwininfo -tree -id "$1" 2>/dev/null | grep -q '"dezu"'; }
e2e_icon_gone() { ! e2e_icon_docked "$1"; }

# Clicks "退出程序" (the last row) and sets E2E_EXIT_CODE to the program's exit
# code, or to "running" when it has not ended within ten seconds.
e2e_quit_through_last_row() {
  E2E_EXIT_CODE=running
  e2e_point_at_row 11
  xdotool click 1
  e2e_wait_until 100 e2e_ended || return 1
  wait "$E2E_PID"
  E2E_EXIT_CODE=$?
}
e2e_ended() { ! kill -0 "$E2E_PID" 2>/dev/null; }
