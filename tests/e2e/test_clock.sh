#!/usr/bin/env bash
# "卡通时钟" on the launcher opens the desktop clock, whose digit boxes show the
# system's time and keep it; a second click closes it and its place is saved.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require

e2e_setup || e2e_fail_now "virtual display with a tray host"
e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"

read -r px py < <(e2e_click_tray_icon 1) || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 2
xdotool click 1

# The default skin's window, and its digit panel inside it.
clock_window() { e2e_windows_sized 129x139 | head -1; }
clock_shown() { [ -n "$(clock_window)" ]; }
e2e_check "卡通时钟 opens the clock" e2e_wait_until 50 clock_shown
clock_shown || { e2e_summary; exit 1; }
read -r cx cy < <(e2e_position "$(clock_window)")
# Left edges of the eight boxes: H H : M M : S S.
boxes=(0 15 30 40 55 70 80 95)
widths=(15 15 10 15 15 10 15 15)

box_hash() {  # box_hash <png of the clock window> <box 0..7>
  convert "$1" -crop "${widths[$2]}x24+$((6 + boxes[$2]))+7" +repage -format '%#' info:
}
shoot() { import -window "$clock" "$1"; }
clock=$(clock_window)

# Sample the clock until its digit pictures are known, timing-free: the last
# box steps through the ten digits in order, and the tens box turns over just
# as the last box shows 0. Only changes seen between samples less than a
# second apart count, so a slow sample never links two digits wrongly.
declare -A next_of=([none]=none)
zero=""
changes=0
shot="$E2E_DIR/clock.png"
known() {  # walks from 0 through ten successors back to 0, naming each digit
  local p=$zero k
  [ -n "$p" ] || return 1
  declare -gA digit_of=([none]=?)
  for k in 0 1 2 3 4 5 6 7 8 9; do
    [ -z "${digit_of[$p]+x}" ] || return 1
    digit_of[$p]=$k
    p=${next_of[$p]:-}
    [ -n "$p" ] || return 1
  done
  [ "$p" = "$zero" ]
}
prev_t=0 prev_ones="" prev_tens=""
end=$((SECONDS + 40))
while [ $SECONDS -lt $end ]; do
  t=$(date +%s%3N)
  shoot "$shot"
  ones=$(box_hash "$shot" 7) tens=$(box_hash "$shot" 6)
  if [ -n "$prev_ones" ] && [ "$ones" != "$prev_ones" ]; then
    changes=$((changes + 1))
    if [ $((t - prev_t)) -lt 900 ]; then
      next_of[$prev_ones]=$ones
      [ "$tens" != "$prev_tens" ] && zero=$ones
      known && break
    fi
  fi
  prev_t=$t prev_ones=$ones prev_tens=$tens
  sleep 0.05
done
e2e_check "the seconds box kept changing ($changes changes)" test "$changes" -ge 10
e2e_check "ten different digit pictures, in order" known

# The hours and minutes, read where the minute cannot turn over meanwhile.
while [ "$((10#$(date +%S)))" -gt 55 ] || [ "$((10#$(date +%S)))" -lt 2 ]; do sleep 0.5; done
expected=$(date +%H%M)
shoot "$shot"
shown=""
for b in 0 1 3 4; do shown+=${digit_of[$(box_hash "$shot" $b)]:-?}; done
e2e_check "the clock shows the time ${expected:0:2}:${expected:2:2}" e2e_equal "$shown" "$expected"
e2e_check "both colon boxes show the same picture" e2e_equal "$(box_hash "$shot" 2)" "$(box_hash "$shot" 5)"

# A second click on the row closes it and saves where it stood.
e2e_click_tray_icon 1 >/dev/null
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show again"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 2
xdotool click 1
clock_gone() { ! clock_shown; }
e2e_check "a second 卡通时钟 closes the clock" e2e_wait_until 50 clock_gone
e2e_check "its place is saved" grep -q "横向位置=$cx" "$E2E_DIR/app/clock.ini"

e2e_summary
