#!/usr/bin/env bash
# Video files play as sound only: with auto-play on and no audio output of
# the test's choosing (no sound server runs here either), the start-up plays
# a playlist of video files and the program keeps running; no window shows
# their pictures.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup || e2e_fail_now "virtual display with a tray host"
unset DEZU_AUDIO_SINK
command -v python3 >/dev/null || e2e_fail_now "python3 to write the video files"

# Half-second AVI files with a picture track (raw 16 x 16 RGB) and a silent
# sound track, under the names of three of the media extensions.
app="$E2E_DIR/app"
mkdir -p "$app"
python3 - "$app" <<'PY'
import struct, sys
w, h, n, frame, sound = 16, 16, 5, 16 * 16 * 3, 1600
def chunk(i, b): return i + struct.pack('<I', len(b)) + b + (b'\0' if len(b) % 2 else b'')
def lst(t, b): return chunk(b'LIST', t + b)
def strh(t, hd, scale, rate, length, buf, ss):
    return chunk(b'strh', t + hd + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, scale, rate, 0,
                 length, buf, 0xFFFFFFFF, ss, 0, 0, w, h))
avih = struct.pack('<IIIIIIIIII', 100000, frame * 10 + 16000, 0, 0x10, n, 0, 2, frame, w, h) + bytes(16)
video = lst(b'strl', strh(b'vids', b'DIB ', 1, 10, n, frame, 0) +
            chunk(b'strf', struct.pack('<IiiHHII', 40, w, h, 1, 24, 0, frame) + bytes(16)))
audio = lst(b'strl', strh(b'auds', bytes(4), 2, 16000, n * sound // 2, sound, 2) +
            chunk(b'strf', struct.pack('<HHIIHH', 1, 1, 8000, 16000, 2, 16)))
movi, idx, off = b'', b'', 4
for i in range(n):
    idx += b'00db' + struct.pack('<III', 0x10, off, frame); movi += chunk(b'00db', bytes([i * 20]) * frame); off += 8 + frame
    idx += b'01wb' + struct.pack('<III', 0x10, off, sound); movi += chunk(b'01wb', bytes(sound)); off += 8 + sound
body = lst(b'hdrl', chunk(b'avih', avih) + video + audio) + lst(b'movi', movi) + chunk(b'idx1', idx)
data = b'RIFF' + struct.pack('<I', 4 + len(body)) + b'AVI ' + body
for name in ('clip.avi', 'clip.mpg', 'clip.wmv'):
    open(sys.argv[1] + '/' + name, 'wb').write(data)
PY
printf '%s\r\n' "$app/clip.avi" "$app/clip.mpg" "$app/clip.wmv" >"$app/list.m3u"
ini=$(printf '[系统参数]\n显示启动画面=N\n自动启动=N\n[播放器]\n播放列表=%s\n歌曲=0\n播放模式=2\n' "$app/list.m3u")
e2e_start_dezu "$dezu" "$ini" || e2e_fail_now "dezu's tray icon"

bar_shown() { [ -n "$(e2e_windows_sized 189x19 | head -1)" ]; }
e2e_check "the start-up shows the player bar" e2e_wait_until 50 bar_shown
# Each clip ends within a second or two, or is passed over: several go by.
sleep 6
e2e_check "the program is still running" kill -0 "$E2E_PID"
e2e_check "no window shows a picture" e2e_equal "$(e2e_windows_sized 16x16 | wc -l)" "0"

e2e_summary
