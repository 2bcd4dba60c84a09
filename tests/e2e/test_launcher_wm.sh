#!/usr/bin/env bash
# The same panel under a window manager (openbox), which decides the
# foreground itself: the panel takes it from another program's window when the
# tray icon is clicked, stays, and hides when that window or the desktop is
# clicked.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require openbox xmessage xprop

e2e_setup || e2e_fail_now "virtual display with a tray host"
e2e_start_openbox || e2e_fail_now "openbox did not start"
xmessage -geometry +300+100 "another program" >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_until 50 xdotool search --onlyvisible --class xmessage || e2e_fail_now "xmessage did not start"
other=$(xdotool search --onlyvisible --class xmessage | head -1)
xdotool windowactivate "$other"
e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"
PH=$E2E_PANEL_H

active() { xprop -root _NET_ACTIVE_WINDOW | awk '{print $NF}'; }
panel_active() { [ "$(($(active)))" = "$(e2e_panel)" ]; }

read -r px py < <(e2e_click_tray_icon 1) || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_check "panel shows at the pointer" e2e_equal "$left $top" "$((px - 2)) $((py - PH))"
e2e_check "the window manager makes it the active window" e2e_wait_until 20 panel_active
e2e_check "panel stays up" e2e_holds 6 e2e_panel_shown

xdotool windowactivate "$other"
e2e_check "activating another program's window hides it" e2e_wait_until 30 e2e_panel_hidden

e2e_click_tray_icon 1 >/dev/null
e2e_check "the tray icon shows it again" e2e_wait_until 50 e2e_panel_shown
xdotool mousemove --sync 700 300 click 1
e2e_check "a click on the desktop hides it" e2e_wait_until 30 e2e_panel_hidden

e2e_click_tray_icon 1 >/dev/null
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show again"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_quit_through_last_row
e2e_check "退出程序 ends it with code 0" e2e_equal "$E2E_EXIT_CODE" 0

e2e_summary
