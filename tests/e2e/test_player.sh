#!/usr/bin/env bash
# With auto-play on, the start-up shows the player bar, which plays the
# recorded playlist from the recorded row into a silent sink and moves on to
# the next row when a track ends; "播放音乐" on the launcher closes the bar,
# which saves the row.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require iconv

e2e_setup || e2e_fail_now "virtual display with a tray host"
export DEZU_AUDIO_SINK="fakesink sync=true"

# Two silent tracks (16-bit mono, 8 kHz), of one and of four seconds, and a
# playlist of them. The second lasts long enough to be still playing when
# the bar is closed.
app="$E2E_DIR/app"
mkdir -p "$app"
wav() {  # <file> <bytes of sound, as little-endian hex escapes> <RIFF size> <count>
  { printf 'RIFF%bWAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00' "$3"
    printf '\x80\x3e\x00\x00\x02\x00\x10\x00data%b' "$2"
    head -c "$4" /dev/zero; } >"$1"
}
wav "$app/one.wav" '\x80\x3e\x00\x00' '\xa4\x3e\x00\x00' 16000
wav "$app/two words.wav" '\x00\xfa\x00\x00' '\x24\xfa\x00\x00' 64000
printf '#EXTM3U\r\n%s\r\n%s\r\n' "$app/one.wav" "$app/two words.wav" >"$app/list.m3u"
ini=$(printf '[系统参数]\n显示启动画面=N\n自动启动=N\n[播放器]\n播放列表=%s\n歌曲=0\n播放模式=2\n' "$app/list.m3u")
e2e_start_dezu "$dezu" "$ini" || e2e_fail_now "dezu's tray icon"

bar() { e2e_windows_sized 189x19 | head -1; }
bar_shown() { [ -n "$(bar)" ]; }
e2e_check "the start-up shows the player bar" e2e_wait_until 50 bar_shown
bar_shown && e2e_check "at the top of the screen" e2e_equal "$(e2e_position "$(bar)")" "600 3"

# The settings file keeps its own encoding: UTF-8 as written here, else GB18030.
setting() {
  local f="$app/clock.ini"
  { iconv -f UTF-8 -t UTF-8 "$f" 2>/dev/null || iconv -f GB18030 -t UTF-8 "$f"; } | grep "^$1=" | head -1
}
second_row_playing() { [ "$(setting 歌曲)" = "歌曲=1" ]; }
e2e_check "the end of the first track starts the second" e2e_wait_until 60 second_row_playing

e2e_click_tray_icon 1 >/dev/null
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 1
xdotool click 1
bar_gone() { ! bar_shown; }
e2e_check "播放音乐 closes the bar" e2e_wait_until 50 bar_gone
e2e_check "the program is still running" kill -0 "$E2E_PID"
e2e_check "the row is saved" second_row_playing

e2e_summary
