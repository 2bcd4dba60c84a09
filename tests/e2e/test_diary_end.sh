#!/usr/bin/env bash
# Text typed into a diary page and not saved by any command survives the end
# of the program: through "退出程序", and when the system asks the program to
# end (SIGTERM at log-out or shut-down, SIGINT from a terminal). Each next
# start opens the book on that page, and 导出 writes what it shows.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require iconv

e2e_setup || e2e_fail_now "virtual display with a tray host"

click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
toolbar() { click_at $((ex + 8 + 41 * $1 + 20)) $((ey + 6 + 20)); }
dialog_title=dezu

# The panel shown at the tray icon; sets left and top.
pop_up_panel() {
  e2e_click_tray_icon 1 >/dev/null || return 1
  e2e_wait_until 50 e2e_panel_shown || return 1
  read -r left top < <(e2e_position "$(e2e_panel)")
}

# Opens the diary's book window ("随心所记"); sets bx and by.
open_book_window() {
  pop_up_panel || return 1
  e2e_point_at_row 4
  xdotool click 1
  e2e_wait_until 50 e2e_window_shown 选择日记本 || return 1
  read -r bx by < <(e2e_position "$(e2e_window_named 选择日记本)")
}

# Opens the book remembered last in the editor; sets ex and ey.
open_editor() {
  click_at $((bx + 228)) $((by + 63))  # 打开
  e2e_wait_until 50 e2e_window_shown 日记本 || return 1
  editor=$(e2e_window_named 日记本)
  read -r ex ey < <(e2e_position "$editor")
}

# Types a new line at the end of the page shown (the first on an empty page).
type_line_at_end() {
  click_at $((ex + 100)) $((ey + 200))
  xdotool windowfocus --sync "$editor"
  e2e_wait_until 30 e2e_has_focus "$editor"
  xdotool key ctrl+End
  [ -n "$expected" ] && xdotool key Return
  xdotool type --delay 20 "$1"
}

# The page shown, as 导出 writes it (GBK text), in UTF-8.
exported_page() {  # exported_page <file>
  toolbar 2
  e2e_answer "$dialog_title" "$1" || return 1
  e2e_wait_until 50 test -e "$1" || return 1
  iconv -f GB18030 -t UTF-8 "$1" | tr -d '\r'
}

e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"
open_book_window || e2e_fail_now "the book window"
click_at $((bx + 52)) $((by + 63))  # 新建
e2e_answer 建立日记本 endbook || e2e_fail_now "naming the book"
e2e_answer "$dialog_title" "" || e2e_fail_now "the book is made"
open_editor || e2e_fail_now "the editor"

expected=""
round=0
for end in 退出程序 TERM INT; do
  round=$((round + 1))
  # ASCII only: xdotool types other characters through a keymap it changes
  # on the fly, which can drop one on a busy machine.
  text="line $round, typed before end number $round"
  type_line_at_end "$text"
  expected="${expected:+$expected$'\n'}$text"

  case $end in
    退出程序)
      pop_up_panel || e2e_fail_now "the panel"
      e2e_quit_through_last_row
      code=$E2E_EXIT_CODE
      ;;
    *)
      kill -"$end" "$E2E_PID"
      e2e_wait_until 100 e2e_ended
      code=running
      e2e_ended && { wait "$E2E_PID"; code=$?; }
      ;;
  esac
  e2e_check "$end ends the program with code 0" e2e_equal "$code" 0

  # The next start: the settings file as the last run left it.
  e2e_start_dezu "$dezu" "" || e2e_fail_now "dezu's tray icon after $end"
  open_book_window && open_editor || e2e_fail_now "the editor after $end"
  page=$(exported_page "$E2E_DIR/after-$round.txt") || e2e_fail_now "导出 after $end"
  e2e_check "the page typed before $end is there" e2e_equal "$page" "$expected"
done

e2e_summary
