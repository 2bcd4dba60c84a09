#!/usr/bin/env bash
# Video files play as sound only: with auto-play on and no audio output of
# the test's choosing (no sound server runs here either), the start-up plays
# a playlist of video files made by ffmpeg, the list goes round and the
# program keeps running; no window shows their pictures.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
e2e_require ffmpeg iconv

e2e_setup || e2e_fail_now "virtual display with a tray host"
unset DEZU_AUDIO_SINK

# One second of a 320 x 240 test picture over a tone in each kind of file,
# and an MPEG-1 file cut off halfway through.
app="$E2E_DIR/app"
mkdir -p "$app"
video() {  # <file> <seconds> <codec options...>
  local file=$1 seconds=$2
  shift 2
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440 -t "$seconds" "$@" "$file" || e2e_fail_now "ffmpeg making $file"
}
video "$app/mpeg1.mpg" 1 -c:v mpeg1video -c:a mp2
video "$app/mpeg4.avi" 1 -c:v mpeg4 -c:a libmp3lame
video "$app/mjpeg.avi" 1 -c:v mjpeg -pix_fmt yuvj420p -c:a pcm_s16le
video "$app/wmv.wmv" 1 -c:v wmv2 -c:a wmav2
video "$app/whole.mpg" 2 -c:v mpeg1video -c:a mp2
head -c $(($(stat -c %s "$app/whole.mpg") / 2)) "$app/whole.mpg" >"$app/cut.mpg"
rows=(mpeg1.mpg mpeg4.avi mjpeg.avi wmv.wmv cut.mpg)
printf "$app/%s\r\n" "${rows[@]}" >"$app/list.m3u"
ini=$(printf '[系统参数]\n显示启动画面=N\n自动启动=N\n[播放器]\n播放列表=%s\n歌曲=0\n播放模式=2\n' "$app/list.m3u")
e2e_start_dezu "$dezu" "$ini" || e2e_fail_now "dezu's tray icon"

bar_shown() { [ -n "$(e2e_windows_sized 189x19 | head -1)" ]; }
e2e_check "the start-up shows the player bar" e2e_wait_until 50 bar_shown

# Each start records its row; the settings file keeps its own encoding.
setting() {
  local f="$app/clock.ini"
  { iconv -f UTF-8 -t UTF-8 "$f" 2>/dev/null || iconv -f GB18030 -t UTF-8 "$f"; } | grep "^$1=" | head -1
}
row_playing() { [ "$(setting 歌曲)" = "歌曲=$1" ]; }
e2e_check "the list reaches its last row" e2e_wait_until 200 row_playing 4
e2e_check "and goes round to the first" e2e_wait_until 100 row_playing 0
e2e_check "the program is still running" kill -0 "$E2E_PID"
e2e_check "no window shows a picture" e2e_equal "$(e2e_windows_sized 320x240 | wc -l)" "0"

e2e_summary
