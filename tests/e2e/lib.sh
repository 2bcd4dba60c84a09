# Shared helpers of the end-to-end tests: a virtual display with a tray host,
# the program started from a fresh directory, its tray icon and panel found and
# clicked. Source it, then call e2e_setup; everything started is ended on exit.
#
#   e2e_setup                 temp dir, Xvfb, trayer (exports DISPLAY)
#   e2e_start_dezu <dezu>     copies the program and starts it (E2E_PID)
#   e2e_tray_icon             prints the tray icon's window id
#   e2e_click_tray_icon [btn] clicks the middle of the icon
#   e2e_screenshot <file>     the whole screen as PNG
#
# Every wait is bounded; a helper that gives up prints why and returns 1.

E2E_SCREEN_W=${E2E_SCREEN_W:-1024}
E2E_SCREEN_H=${E2E_SCREEN_H:-768}
E2E_PIDS=()
E2E_DIR=""
E2E_PID=""

e2e_log() { echo "  .. $*" >&2; }

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${E2E_PIDS[@]}"; do
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
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

e2e_setup() {
  E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dezu-e2e.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
  # Nothing a test does may reach the real session: no system bus, no logind.
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_DIR/no-system-bus"
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
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
