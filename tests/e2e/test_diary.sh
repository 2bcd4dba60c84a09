#!/usr/bin/env bash
# "随心所记" on the launcher opens the book window; a new book is made, opened,
# written on two pages and paged through, exported, locked with a password and
# closed. On disk the book then shows nothing of its pages. Opened again it
# asks for the password, and a page is deleted.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require sqlcipher

e2e_setup || e2e_fail_now "virtual display with a tray host"
e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"
book="$E2E_DIR/app/sj/e2ebook.SJK"

click_at() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.4; }
# The toolbar's buttons are 41 pixels wide from the toolbar's left edge.
toolbar() { click_at $((ex + 8 + 41 * $1 + 20)) $((ey + 6 + 20)); }
dialog_title=dezu

e2e_click_tray_icon 1 >/dev/null || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 4
xdotool click 1
e2e_check "随心所记 opens the book window" e2e_wait_until 50 e2e_window_shown 选择日记本
e2e_window_shown 选择日记本 || { e2e_summary; exit 1; }
read -r bx by < <(e2e_position "$(e2e_window_named 选择日记本)")

click_at $((bx + 52)) $((by + 63))  # 新建
e2e_check "新建 asks for a name" e2e_answer 建立日记本 e2ebook
e2e_check "and says it is made" e2e_answer "$dialog_title" ""
e2e_check "the book's file is there" test -f "$book"

click_at $((bx + 228)) $((by + 63))  # 打开
e2e_check "打开 opens the editor" e2e_wait_until 50 e2e_window_shown 日记本
e2e_check "and closes the book window" e2e_wait_until 50 e2e_window_gone 选择日记本
e2e_window_shown 日记本 || { e2e_summary; exit 1; }
editor=$(e2e_window_named 日记本)
read -r ex ey < <(e2e_position "$editor")

click_at $((ex + 100)) $((ey + 200))
xdotool windowfocus --sync "$editor"
xdotool type --delay 20 "First page"
xdotool key Return
xdotool type --delay 20 "line two"
toolbar 0  # 新建: saves the first page
xdotool type --delay 20 "Second page"
toolbar 7  # 前页: saves the second and shows the first

toolbar 2  # 导出
e2e_check "导出 asks for a file" e2e_answer "$dialog_title" "$E2E_DIR/page.txt"
exported() { [ "$(cat "$E2E_DIR/page.txt" 2>/dev/null)" = $'First page\nline two' ]; }
e2e_wait_until 30 exported
e2e_check "the file holds the page shown" e2e_equal "$(cat "$E2E_DIR/page.txt" 2>/dev/null)" $'First page\nline two'

toolbar 9  # 加锁
e2e_check "加锁 asks for a password" e2e_answer 设置日记密码 "pw42"
toolbar 11  # 关闭
e2e_check "关闭 closes the editor" e2e_wait_until 50 e2e_window_gone 日记本

e2e_check "the locked file is no plain database" test "$(head -c 15 "$book")" != "SQLite format 3"
e2e_check "and shows none of the pages" bash -c "! grep -qa -e 'First page' -e 'Second page' '$book'"
pages=$(sqlcipher "$book" "PRAGMA key='pw42';" "SELECT f3 FROM records ORDER BY id;" 2>&1)
e2e_check "the password opens both pages, titled by their first lines" e2e_equal "$pages" $'First page\nSecond page'


# Opened again, the book asks for its password; a page is deleted.
e2e_click_tray_icon 1 >/dev/null || e2e_fail_now "clicking the tray icon again"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show again"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 4
xdotool click 1
e2e_wait_until 50 e2e_window_shown 选择日记本 || e2e_fail_now "the book window did not show again"
click_at $((bx + 228)) $((by + 63))  # 打开, the book remembered
e2e_check "the locked book asks for its password" e2e_answer 输入密码 "pw42"
e2e_check "and opens" e2e_wait_until 50 e2e_window_shown 日记本
editor=$(e2e_window_named 日记本)
read -r ex ey < <(e2e_position "$editor")
toolbar 6  # 删除
e2e_check "删除 asks first" e2e_answer "$dialog_title" ""
toolbar 11
e2e_wait_until 50 e2e_window_gone 日记本
pages=$(sqlcipher "$book" "PRAGMA key='pw42';" "SELECT f3 FROM records ORDER BY id;" 2>&1)
e2e_check "one page is left" e2e_equal "$pages" "First page"

e2e_summary
