#!/usr/bin/env bash
# The timed change puts the listed picture on the desktop (here the root
# window of the virtual display, as no desktop's own setting answers), and
# "桌面壁纸" on the launcher opens the manager, which keeps the list when it
# is closed. The picture is a camera's photo taken on its side, larger than
# the screen: it goes on the desktop upright and stretched, as ImageMagick
# shows it.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require openbox exiftool

e2e_setup || e2e_fail_now "virtual display with a tray host"
# A window manager, so that the manager's close box can be used.
e2e_start_openbox || e2e_fail_now "openbox did not start"
# No desktop of the session this runs in may be asked to change.
unset XDG_CURRENT_DESKTOP
app="$E2E_DIR/app"
mkdir -p "$app"
# Stored 1536 x 2048 with its quarters marked, and the EXIF orientation that
# says to turn it a quarter to the right.
convert -size 1536x2048 xc:white -fill '#cc2211' -draw 'rectangle 0,0 767,1023' \
  -fill '#22aa33' -draw 'rectangle 768,0 1535,1023' -fill '#2233cc' -draw 'rectangle 0,1024 767,2047' \
  -fill '#ddcc22' -draw 'rectangle 768,1024 1535,2047' -quality 92 "$app/sea.jpg"
exiftool -q -overwrite_original -Orientation#=6 "$app/sea.jpg"
oracle="$E2E_DIR/oracle.png"
convert "$app/sea.jpg" -auto-orient -resize "${E2E_SCREEN_W}x${E2E_SCREEN_H}!" "$oracle"
# "R G B" within a few steps of another, as two JPEG decoders give it.
near() {
  local a=($1) b=($2) i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    [ "${d#-}" -le 12 ] || { echo "       got '$1', expected '$2'"; return 1; }
  done
}
# The middles of the screen's quarters.
points=("256 192" "768 192" "256 576" "768 576")
printf '%s\r\n' "$app/sea.jpg" >"$app/WALLAB.INI"
ini=$'[系统参数]\n显示启动画面=N\n自动播放=N\n自动启动=N\n[更换壁纸]\n自动更换=Y\n间隔时间=0.01\n显示方式=2\n'
e2e_start_dezu "$dezu" "$ini" || e2e_fail_now "dezu's tray icon"

changed() { grep -q '当前壁纸=1' "$app/clock.ini" && [ -s "$app/WALLPAPER.BMP" ]; }
e2e_check "the timer changes the wallpaper within a second" e2e_wait_until 30 changed
e2e_check "the picture was converted to a BMP" e2e_equal "$(head -c 2 "$app/WALLPAPER.BMP")" "BM"
# The root window is painted after the files are written; on a busy machine a
# moment later.
e2e_check "of a picture larger than the screen, a screen's worth is kept" \
  e2e_equal "$(identify -format '%wx%h' "$app/WALLPAPER.BMP")" "${E2E_SCREEN_W}x${E2E_SCREEN_H}"
shot="$E2E_DIR/desktop.png"
desktop_shown() { e2e_screenshot "$shot" && near "$(e2e_pixel "$shot" 768 192)" "$(e2e_pixel "$oracle" 768 192)"; }
e2e_wait_until 30 desktop_shown
for p in "${points[@]}"; do
  e2e_check "the desktop shows the picture upright and stretched at $p" \
    near "$(e2e_pixel "$shot" $p)" "$(e2e_pixel "$oracle" $p)"
done

e2e_click_tray_icon 1 >/dev/null || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 3
xdotool click 1
manager() { e2e_windows_sized 464x402 | head -1; }
manager_shown() { [ -n "$(manager)" ]; }
e2e_check "桌面壁纸 opens the manager" e2e_wait_until 50 manager_shown
w=$(manager)
if [ -n "$w" ]; then
  xdotool windowactivate --sync "$w" 2>/dev/null
  xdotool key alt+F4
  gone() { [ -z "$(manager)" ]; }
  e2e_check "its close box closes it" e2e_wait_until 50 gone
  e2e_check "closing keeps the list" e2e_equal "$(cat "$app/WALLAB.INI")" "$app/sea.jpg"$'\r'
  e2e_check "closing keeps the timed change" grep -q '自动更换=Y' "$app/clock.ini"
  e2e_check "closing saves 拉伸" grep -q '显示方式=2' "$app/clock.ini"
fi

e2e_summary
