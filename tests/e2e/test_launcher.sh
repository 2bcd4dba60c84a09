#!/usr/bin/env bash
# The tray icon pops up the launcher panel at the pointer (kept inside the
# screen), the row under the pointer is highlighted, another program taking
# the focus hides the panel, and "退出程序" ends the program with code 0 and
# takes the tray icon away.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

failures=0
passed=0
check() {  # check <what> <command...>
  local what=$1; shift
  if "$@"; then echo "  ok   $what"; passed=$((passed + 1))
  else echo "  FAIL $what"; failures=$((failures + 1)); E2E_KEEP=1; fi
}
fail_now() { echo "  FAIL $*"; E2E_KEEP=1; echo "kept: $E2E_DIR"; exit 1; }

e2e_setup || fail_now "virtual display with a tray host"
e2e_start_dezu "$dezu" || fail_now "dezu's tray icon"
W=$E2E_SCREEN_W
PW=106 PH=188

panel() { e2e_windows_sized "${PW}x${PH}" | head -1; }
panel_shown() { local id; id=$(panel) && [ -n "$id" ] && e2e_is_viewable "$id"; }
panel_hidden() { ! panel_shown; }
equal() { [ "$1" = "$2" ] || { echo "       got '$1', expected '$2'"; return 1; }; }

# Pixel of the panel at (x, y) in panel coordinates, from a fresh screenshot.
panel_pixel() {
  local shot="$E2E_DIR/shot-$RANDOM.png"
  e2e_screenshot "$shot"
  e2e_pixel "$shot" $((left + $1)) $((top + $2))
}
row_top() { echo $((1 + 17 * ($1 - 1))); }
point_at_row() { xdotool mousemove --sync $((left + 25 + 40)) $((top + $(row_top "$1") + 8)); sleep 0.4; }
GOLD="255 214 80"

# 1. A left click on the icon: bottom edge at the pointer, left edge 2 pixels left of it.
read -r px py < <(e2e_click_tray_icon 1) || fail_now "clicking the tray icon"
e2e_wait_until 50 panel_shown || fail_now "the panel did not show"
read -r left top < <(e2e_position "$(panel)")
check "panel shows at the pointer ($px,$py): left $((px - 2)), top $((py - PH))" \
  equal "$left $top" "$((px - 2)) $((py - PH))"
sleep 0.6
check "panel stays up while it has the foreground" panel_shown
e2e_screenshot "$E2E_DIR/panel.png"
check "the gaps show the panel's colour" equal "$(e2e_pixel "$E2E_DIR/panel.png" "$left" "$top")" "192 96 0"

# 2. The highlight follows the pointer.
point_at_row 2
check "row 2 highlighted" equal "$(panel_pixel 25 "$(row_top 2)")" "$GOLD"
point_at_row 5
check "row 5 highlighted" equal "$(panel_pixel 25 "$(row_top 5)")" "$GOLD"
check "row 2 no longer highlighted" test "$(panel_pixel 25 "$(row_top 2)")" != "$GOLD"

# 3. "运行程序" opens our Run dialog, which takes the foreground: the panel hides.
run_dialog() {  # the tray icon's window answers to any name; leave it out
  xdotool search --onlyvisible --pid "$E2E_PID" --name '^运行$' 2>/dev/null | grep -vx "$(e2e_tray_icon)" | head -1
}
run_dialog_shown() { [ -n "$(run_dialog)" ]; }
point_at_row 8
xdotool click 1
check "运行程序 shows the Run dialog" e2e_wait_until 50 run_dialog_shown
check "the panel hides behind it" e2e_wait_until 30 panel_hidden
xdotool key Escape
run_dialog_gone() { ! run_dialog_shown; }
check "Escape closes the Run dialog" e2e_wait_until 30 run_dialog_gone
e2e_click_tray_icon 1 >/dev/null
e2e_wait_until 50 panel_shown || fail_now "the panel did not show again"

# 4. Another program's window takes the focus: the panel hides.
xmessage -geometry +300+100 "another program" >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_until 50 xdotool search --onlyvisible --class xmessage || fail_now "xmessage did not start"
xdotool windowfocus "$(xdotool search --onlyvisible --class xmessage | head -1)"
check "panel hides when another program has the focus" e2e_wait_until 30 panel_hidden

# 5. Near the right edge (any mouse button): the right edge 2 pixels inside the screen.
tray=$(xdotool search --class trayer | tail -1)
xdotool windowmove "$tray" $((W - 24)) $((E2E_SCREEN_H - 24))
sleep 0.5
read -r px py < <(e2e_click_tray_icon 3) || fail_now "right-clicking the tray icon"
e2e_wait_until 50 panel_shown || fail_now "the panel did not show for a right click"
read -r left top < <(e2e_position "$(panel)")
check "right click near the right edge: right edge at $((W - 2))" \
  equal "$((left + PW)) $top" "$((W - 2)) $((py - PH))"
check "the highlight stayed on row 8" equal "$(panel_pixel 25 "$(row_top 8)")" "$GOLD"

# 6. "退出程序": exit code 0, the tray icon gone.
icon_docked() { xwininfo -tree -id "$tray" 2>/dev/null | grep -q '"dezu"'; }
check "tray icon docked before exit" icon_docked
point_at_row 11
xdotool click 1
e2e_wait_until 100 bash -c "! kill -0 $E2E_PID 2>/dev/null"
if kill -0 "$E2E_PID" 2>/dev/null; then
  check "dezu ended after 退出程序" false
else
  wait "$E2E_PID"
  check "exit code 0" equal "$?" 0
fi
check "tray icon gone" e2e_wait_until 30 bash -c "! xwininfo -tree -id $tray | grep -q '\"dezu\"'"

[ "$failures" = 0 ] || { echo "log:"; cat "$E2E_DIR/dezu.log"; echo "kept: $E2E_DIR"; }
echo "$passed passed, $failures failed"
[ "$failures" = 0 ]
