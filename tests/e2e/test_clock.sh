#!/usr/bin/env bash
# "卡通时钟" on the launcher opens the desktop clock, whose digit boxes show the
# system's time and keep it; a second click closes it and its place is saved.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

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

# Sample the clock until all ten pictures were seen (25 seconds at most). Every tick reads the real time, so the
# second read just after the first sight of a new picture names its digit, or
# is one past it when the sample fell just after a second turned over.
declare -A seen  # picture -> the seconds digits it was first seen at
last=""
changes=0
distinct=0
shot="$E2E_DIR/clock.png"
end=$((SECONDS + 25))
while [ $SECONDS -lt $end ] && [ $distinct -lt 10 ]; do
  shoot "$shot"
  now=$(date +%S)
  h=$(box_hash "$shot" 7)
  if [ "$h" != "$last" ]; then
    [ -z "${seen[$h]+x}" ] && distinct=$((distinct + 1))
    seen[$h]="${seen[$h]:-} $((10#$now % 10))"; last=$h; changes=$((changes + 1))
  fi
  sleep 0.05
done
e2e_check "the seconds box kept changing ($changes changes)" test "$changes" -ge 10

declare -A digit_of=([none]=?)
declare -A used=([none]=1)
for h in "${!seen[@]}"; do
  d=""
  for v in ${seen[$h]}; do
    case " ${seen[$h]} " in *" $(( (v + 9) % 10 )) "*) ;; *) d=$v ;; esac
  done
  [ -z "$d" ] && d=$(echo ${seen[$h]} | awk '{print $1}')
  digit_of[$h]=$d; used[$d]=1
done
e2e_check "ten different digit pictures, one per digit" e2e_equal "$(( ${#digit_of[@]} - 1 )) $(( ${#used[@]} - 1 ))" "10 10"

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
