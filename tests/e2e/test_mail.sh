#!/usr/bin/env bash
# "发送邮件" on the launcher opens the compose window on a fresh folder; its
# address panel's 编辑 opens the account window, where an account for a
# loopback server is added. The mail, with a Chinese subject, a line holding
# only "." and an attachment with a Chinese name, goes over STARTTLS to a peer
# whose certificate is signed by a private CA, and arrives whole.
#
# The program trusts that CA only because, in a private mount namespace, the
# system's CA bundle is replaced by one that also holds it.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
python=/usr/bin/python3
bundle_path=/etc/ssl/certs/ca-certificates.crt

if [ -z "${E2E_MAIL_NAMESPACE:-}" ]; then
  e2e_require unshare mount openbox xclip
  [ -x "$python" ] && "$python" -c 'import aiosmtpd, cryptography' 2>/dev/null ||
    { echo "skip: $python lacks aiosmtpd or cryptography"; exit "$E2E_SKIP"; }
  [ -f "$bundle_path" ] || { echo "skip: no CA bundle at $bundle_path"; exit "$E2E_SKIP"; }
  if ! why=$(unshare -m --propagation private true 2>&1); then
    echo "skip: a private mount namespace is not permitted here: $why"
    exit "$E2E_SKIP"
  fi
  E2E_MAIL_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi

e2e_setup || e2e_fail_now "virtual display with a tray host"
# A window manager, so that the account window's close box can be used.
e2e_start_openbox || e2e_fail_now "openbox did not start"

# The peer: STARTTLS with a certificate from a private CA, and a login.
sender=sender@example.com
smtp_password='s3cret pw'
peer="$E2E_DIR/peer"
mkdir -p "$peer"
port=$("$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkfifo "$E2E_DIR/peer.in"
"$python" "$here/../mail/smtp_peer.py" "$port" "$peer" "$sender" "$smtp_password" --tls starttls \
  <"$E2E_DIR/peer.in" >"$E2E_DIR/peer.log" 2>&1 &
E2E_PIDS+=($!)
exec 7>"$E2E_DIR/peer.in"  # the peer runs while this stays open
peer_ready() { grep -q ready "$E2E_DIR/peer.log" && [ -s "$peer/ca.pem" ]; }
e2e_wait_until 150 peer_ready || { cat "$E2E_DIR/peer.log"; e2e_fail_now "the SMTP peer did not start"; }

cat "$bundle_path" "$peer/ca.pem" >"$E2E_DIR/ca-bundle.crt"
mount --bind "$E2E_DIR/ca-bundle.crt" "$bundle_path" || e2e_fail_now "bind-mounting the CA bundle"
e2e_check "the program's CA bundle holds the peer's CA" cmp -s "$bundle_path" "$E2E_DIR/ca-bundle.crt"

e2e_start_dezu "$dezu" || e2e_fail_now "dezu's tray icon"
app="$E2E_DIR/app"

click_at() { timeout 5 xdotool mousemove --sync "$1" "$2" click 1; sleep 0.4; }
# Text through the clipboard and Ctrl+V: xdotool types CJK characters through
# a remapped spare key, which Qt does not always take.
# The feeder serves the text until the next one takes the clipboard over.
clipboard_holds() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
paste() {
  printf '%s' "$1" >"$E2E_DIR/clip.txt"
  xclip -selection clipboard -quiet -i "$E2E_DIR/clip.txt" >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait_until 30 clipboard_holds "$1" || return 1
  xdotool key ctrl+v
}
# Clicks a box at (x, y) of the window at ($wx, $wy), clears it and fills it.
fill_box() {
  click_at $((wx + $1)) $((wy + $2))
  xdotool key ctrl+a BackSpace
  xdotool type --delay 20 "$3"
}

e2e_click_tray_icon 1 >/dev/null || e2e_fail_now "clicking the tray icon"
e2e_wait_until 50 e2e_panel_shown || e2e_fail_now "the panel did not show"
read -r left top < <(e2e_position "$(e2e_panel)")
e2e_point_at_row 5
xdotool click 1
e2e_check "发送邮件 opens the compose window" e2e_wait_until 100 e2e_window_shown 编辑邮件
compose=$(e2e_window_named 编辑邮件)
[ -n "$compose" ] || { e2e_summary; exit 1; }
e2e_check "the compose window is 612x512" e2e_equal "$(e2e_size "$compose")" 612x512
e2e_check "and made the account store" e2e_wait_until 30 test -s "$app/user.edb"
read -r cx cy < <(e2e_position "$compose")

# The address panel and its 编辑 button: the account window, modal.
click_at $((cx + 481 + 12)) $((cy + 38 + 12))  # 图形按钮2
click_at $((cx + 273 + 191 + 16)) $((cy + 63 + 208 + 9))  # 编辑
e2e_check "编辑 on the address panel opens the account window" e2e_wait_until 100 e2e_window_shown 编辑
editor=$(e2e_window_named 编辑)
[ -n "$editor" ] || { e2e_summary; exit 1; }
e2e_check "the account window is 644x434" e2e_equal "$(e2e_size "$editor")" 644x434
e2e_check "and modal" bash -c "xprop -id '$editor' _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL"
read -r wx wy < <(e2e_position "$editor")
fill_box $((196 + 69)) $((60 + 9)) e2e-sender               # 用户
fill_box $((196 + 69)) $((167 + 9)) "$sender"               # 用户地址
fill_box $((196 + 69)) $((215 + 9)) "$smtp_password"        # 邮箱密码
fill_box $((196 + 69)) $((265 + 9)) 127.0.0.1               # 邮件服务器地址
fill_box $((196 + 69)) $((321 + 9)) "$port"                 # 邮件服务器端口
click_at $((wx + 64 + 20)) $((wy + 360 + 16))               # 添加
# Closed through its close box; the compose window lists the new sender.
timeout 5 xdotool windowactivate --sync "$editor" 2>/dev/null
xdotool key alt+F4
e2e_check "the close box closes the account window" e2e_wait_until 50 e2e_window_gone 编辑

# The mail: sender, recipient, subject, body and attachment.
subject="测试邮件：你好，世界"
attachment_name="报告 附件.bin"
mkdir -p "$E2E_DIR/files"
attachment="$E2E_DIR/files/$attachment_name"
head -c 5000 /dev/urandom >"$attachment"
timeout 5 xdotool windowactivate --sync "$compose" 2>/dev/null
wx=$cx wy=$cy
click_at $((cx + 72 + 216)) $((cy + 16 + 10))  # 组合框1
xdotool key Down Return
sleep 0.4
fill_box $((72 + 204)) $((40 + 11)) friend@example.com  # 收信人地址
click_at $((cx + 72 + 216)) $((cy + 67 + 11))  # 邮件标题
paste "$subject"
click_at $((cx + 17 + 200)) $((cy + 96 + 150))  # 邮件内容
xdotool type --delay 20 "first line"
xdotool key Return
xdotool type --delay 20 "."
xdotool key Return
xdotool type --delay 20 "after the dot"

click_at $((cx + 432 + 32)) $((cy + 432 + 12))  # 添加附件
dialog=请输入欲加作附件的文件名：
e2e_check "添加附件 opens the file dialog" e2e_wait_until 100 e2e_window_shown "$dialog"
if e2e_window_shown "$dialog"; then
  file_dialog=$(e2e_window_named "$dialog")
  timeout 5 xdotool windowactivate --sync "$file_dialog" 2>/dev/null
  e2e_wait_until 30 e2e_has_focus "$file_dialog"
  xdotool key ctrl+a BackSpace
  paste "$attachment"
  xdotool key Return
  e2e_check "the file dialog takes the typed name" e2e_wait_until 50 e2e_window_gone "$dialog"
fi

# The status bar's first part, as ink on its grey, before and after the send.
status_shot() {
  local shot="$E2E_DIR/status-$1.png"
  e2e_screenshot "$E2E_DIR/screen.png"
  convert "$E2E_DIR/screen.png" -crop "396x18+$((cx + 2))+$((cy + 461))" +repage "$shot"
  echo "$shot"
}
before=$(status_shot before)
click_at $((cx + 515 + 34)) $((cy + 16 + 31))  # 超级按钮1: send
received() { [ -s "$peer/001.eml" ]; }
e2e_check "the peer receives the mail" e2e_wait_until 600 received
received || { cat "$E2E_DIR/peer.log"; e2e_summary; exit 1; }
e2e_check "the login went over TLS" e2e_equal "$(cat "$peer/auth.log" 2>/dev/null | cut -d' ' -f2-)" "tls ok"
e2e_check "the envelope names sender and recipient" \
  e2e_equal "$(cat "$peer/001.rcpt")" "$sender"$'\n'friend@example.com

# The status bar's text cannot be read back here, but a send that went
# through says "邮件发送完毕": six characters in the font of the label
# "发信人", so about twice as wide as that label; every failure says more.
status_changed() {
  [ "$(compare -metric AE "$before" "$(status_shot after)" null: 2>&1)" != 0 ]
}
e2e_check "the status bar tells the send's end" e2e_wait_until 100 status_changed
ink_width() { convert "$1" -fuzz 20% -trim -format '%w' info:; }
convert "$E2E_DIR/screen.png" -crop "44x24+$((cx + 24))+$((cy + 13))" +repage "$E2E_DIR/label.png"
label=$(ink_width "$E2E_DIR/label.png")
status=$(ink_width "$E2E_DIR/status-after.png")
six_of_three() { [ $((status * 10)) -ge $((label * 18)) ] && [ $((status * 10)) -le $((label * 23)) ] ||
  { echo "       status ink ${status}px, label ink ${label}px"; return 1; }; }
e2e_check "it says 邮件发送完毕: six characters wide" six_of_three

eml="$peer/001.eml"
field() {
  "$python" - "$eml" "$1" <<'EOF'
import email, sys
from email import policy
with open(sys.argv[1], "rb") as f:
    m = email.message_from_binary_file(f, policy=policy.default)
what = sys.argv[2]
if what == "defects":
    found = []
    for part in m.walk():
        found += [type(d).__name__ for d in part.defects]
        for name, value in part.items():
            found += ["%s: %s" % (name, type(d).__name__) for d in getattr(value, "defects", ())]
    print(" ".join(found))
elif what == "subject":
    print(m["Subject"])
elif what == "from":
    print(m["From"].addresses[0].addr_spec)
elif what == "body":
    sys.stdout.write(m.get_body(preferencelist=("plain",)).get_content())
elif what == "names":
    print("\n".join(p.get_filename() or "" for p in m.iter_attachments()))
elif what == "bytes":
    sys.stdout.buffer.write(next(m.iter_attachments()).get_payload(decode=True))
EOF
}
e2e_check "no header or part has a defect" e2e_equal "$(field defects)" ""
e2e_check "the subject arrives in Chinese" e2e_equal "$(field subject)" "$subject"
e2e_check "the sender is the account's address" e2e_equal "$(field from)" "$sender"
body=$(field body | tr -d '\r')
e2e_check "the body keeps its lines, the \".\" line whole" \
  e2e_equal "$body" $'first line\n.\nafter the dot'
e2e_check "the attachment keeps its Chinese name" e2e_equal "$(field names)" "$attachment_name"
field bytes >"$E2E_DIR/received.bin"
e2e_check "and its bytes" cmp "$E2E_DIR/received.bin" "$attachment"

e2e_summary
