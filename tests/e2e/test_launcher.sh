#!/usr/bin/env bash
# The tray icon pops up the launcher panel at the pointer (kept inside the
# screen), the row under the pointer is highlighted, another program taking
# the focus hides the panel, and "退出程序" ends the program with code 0 and
# takes the tray icon away.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require xmessage

e2e_setup || e2e_fail_now "virtual display with a tray host"
e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"
W=$E2E_SCREEN_W
PW=$E2E_PANEL_W PH=$E2E_PANEL_H
GOLD="255 214 80"

# 1. A left click on the icon: bottom edge at the pointer, left edge 2 pixels left of it.
read -r px py < <(e2e_click_tray_icon 1) || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_check "panel shows at the pointer ($px,$py): left $((px - 2)), top $((py - PH))" \
  e2e_equal "$left $top" "$((px - 2)) $((py - PH))"
e2e_check "panel stays up while it has the foreground" e2e_holds 6 e2e_panel_shown
e2e_screenshot "$E2E_DIR/panel.png"
e2e_check "the gaps show the panel's colour" e2e_equal "$(e2e_pixel "$E2E_DIR/panel.png" "$left" "$top")" "192 96 0"

# 2. The highlight follows the pointer.
e2e_point_at_row 2
e2e_check "row 2 highlighted" e2e_equal "$(e2e_panel_pixel 25 "$(e2e_row_top 2)")" "$GOLD"
e2e_point_at_row 5
e2e_check "row 5 highlighted" e2e_equal "$(e2e_panel_pixel 25 "$(e2e_row_top 5)")" "$GOLD"
e2e_check "row 2 no longer highlighted" test "$(e2e_panel_pixel 25 "$(e2e_row_top 2)")" != "$GOLD"

# 3. "运行程序" opens our Run dialog, which takes the foreground: the panel hides.
run_dialog() {  # the tray icon's window answers to any name; leave it out
  xdotool search --onlyvisible --pid "$E2E_PID" --name '^运行$' 2>/dev/null | grep -vx "$(e2e_tray_icon)" | head -1
}
run_dialog_shown() { [ -n "$(run_dialog)" ]; }
e2e_point_at_row 8
xdotool click 1
e2e_check "运行程序 shows the Run dialog" e2e_wait_until 50 run_dialog_shown
e2e_check "the panel hides behind it" e2e_wait_until 30 e2e_panel_hidden
xdotool key Escape
run_dialog_gone() { ! run_dialog_shown; }
e2e_check "Escape closes the Run dialog" e2e_wait_until 30 run_dialog_gone
e2e_click_tray_icon 1 >/dev/null
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show again"

# 4. Another program's window takes the focus: the panel hides.
xmessage -geometry +300+100 "another program" >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_until 50 xdotool search --onlyvisible --class xmessage || e2e_fail_now "xmessage did not start"
xdotool windowfocus "$(xdotool search --onlyvisible --class xmessage | head -1)"
e2e_check "panel hides when another program has the focus" e2e_wait_until 30 e2e_panel_hidden

# 5. Near the right edge (any mouse button): the right edge 2 pixels inside the screen.
tray=$(xdotool search --class trayer | tail -1)
xdotool windowmove "$tray" $((W - 24)) $((E2E_SCREEN_H - 24))
tray_moved() { e2e_equal "$(e2e_position "$tray")" "$((W - 24)) $((E2E_SCREEN_H - 24))"; }
e2e_wait_until 50 tray_moved || e2e_fail_now "the tray host did not move"
read -r px py < <(e2e_click_tray_icon 3) || e2e_fail_now "right-clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show for a right click"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_check "right click near the right edge: right edge at $((W - 2))" \
  e2e_equal "$((left + PW)) $top" "$((W - 2)) $((py - PH))"
e2e_check "the highlight stayed on row 8" e2e_equal "$(e2e_panel_pixel 25 "$(e2e_row_top 8)")" "$GOLD"

# 6. "退出程序": exit code 0, the tray icon gone.
e2e_check "tray icon docked before exit" e2e_icon_docked "$tray"
e2e_quit_through_last_row
e2e_check "exit code 0" e2e_equal "$E2E_EXIT_CODE" 0
e2e_check "tray icon gone" e2e_wait_until 30 e2e_icon_gone "$tray"

e2e_summary
