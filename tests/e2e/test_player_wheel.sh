#!/usr/bin/env bash
# The mouse wheel sets the volume wherever the pointer is over the player
# bar: down over the time label until the fill is gone, then up again over a
# button, which brings it back.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup || e2e_fail_now "virtual display with a tray host"
export DEZU_AUDIO_SINK="fakesink sync=true"

# One silent second (16-bit mono, 8 kHz) for the start-up to play.
app="$E2E_DIR/app"
mkdir -p "$app"
{ printf 'RIFF\xa4\x3e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00'
  printf '\x80\x3e\x00\x00\x02\x00\x10\x00data\x80\x3e\x00\x00'
  head -c 16000 /dev/zero; } >"$app/one.wav"
printf '%s\n' "$app/one.wav" >"$app/list.m3u"
ini=$(printf '[系统参数]\n显示启动画面=N\n自动启动=N\n[播放器]\n播放列表=%s\n歌曲=0\n播放模式=4\n' "$app/list.m3u")
e2e_start_dezu "$dezu" "$ini" || e2e_fail_now "dezu's tray icon"

bar() { e2e_windows_sized "$1" | head -1; }
folded() { [ -n "$(bar 189x19)" ]; }
unfolded() { [ -n "$(bar 189x37)" ]; }
e2e_wait_until 50 folded || e2e_fail_now "the player bar did not show"
read -r left top < <(e2e_position "$(bar 189x19)")
xdotool mousemove --sync $((left + 129)) $((top + 8)) click 1  # the fold button
e2e_wait_until 50 unfolded || e2e_fail_now "the bar did not unfold"

# The first and the last columns of the full volume fill, in its middle row.
shot="$E2E_DIR/shot.png"
fill_pixels() {
  e2e_screenshot "$shot"
  echo "$(e2e_pixel "$shot" $((left + 144)) $((top + 27))) / $(e2e_pixel "$shot" $((left + 183)) $((top + 27)))"
}
first_column_is() { local f; f=$(fill_pixels); [ "${f% / *}" = "$1" ]; }
first_column_is_not() { ! first_column_is "$1"; }
fill_is() { [ "$(fill_pixels)" = "$1" ]; }
# The unfolded bar is painted once two readings in a row agree.
last_fill=""
fill_settled() { local now; now=$(fill_pixels); [ "$now" = "$last_fill" ] && return 0; last_fill=$now; return 1; }
e2e_wait_until 50 fill_settled || e2e_fail_now "the volume fill did not settle"
full=$last_fill
wheel() {  # <x in the bar> <y in the bar> <button> <turns>
  xdotool mousemove --sync $((left + $1)) $((top + $2))
  xdotool click --repeat "$4" --delay 30 "$3"
}
wheel 163 8 5 30  # down, over the time label
e2e_check "turning down over the time label empties the fill, its first column too" \
  e2e_wait_until 50 first_column_is_not "${full% / *}"
wheel 9 8 4 10  # up, over the previous-track button
e2e_check "turning up over a button brings the fill back" \
  e2e_wait_until 50 first_column_is "${full% / *}"
half=$(fill_pixels)
e2e_check "not yet to its full width" [ "${half#* / }" != "${full#* / }" ]
wheel 30 30 4 30  # up, over the seek bar
e2e_check "turning up over the seek bar fills it to the end" e2e_wait_until 50 fill_is "$full"
e2e_check "the program is still running" kill -0 "$E2E_PID"

e2e_summary
