#!/usr/bin/env bash
# The real program starts from a fresh directory under a virtual display,
# writes its icon file and its log-on start entry, and keeps running until it
# is ended; damaged settings and list files do not stop it.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
for p in xvfb-run Xvfb xauth; do
  command -v "$p" >/dev/null 2>&1 || { echo "skip: $p is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# Runs inside xvfb-run: start, wait for the files, check it stays up, end it.
inner=$(cat <<'INNER'
set -u
dir=$1
cd "$dir"
XDG_CONFIG_HOME="$dir/config" ./dezu >"$dir/log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  [ -f "$dir/NET.ICO" ] && [ -f "$dir/config/autostart/Tools.desktop" ] && break
  sleep 0.2
done
# It must stay up, not only get through its start-up.
alive=1
for _ in $(seq 1 10); do kill -0 "$pid" 2>/dev/null || { alive=0; break; }; sleep 0.1; done
kill -TERM "$pid" 2>/dev/null
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$alive" = 1 ] || { echo "dezu did not stay running:"; cat "$dir/log"; exit 1; }
INNER
)

failures=0
check() {  # check <case> <condition...>
  local name=$1; shift
  if "$@"; then echo "  ok   $name"; else echo "  FAIL $name"; failures=$((failures + 1)); fi
}

start_case() {  # start_case <name> [setup command]
  local name=$1 dir="$work/$1"; shift
  mkdir -p "$dir/config"
  cp "$dezu" "$dir/dezu"
  [ $# -gt 0 ] && (cd "$dir" && eval "$*")
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner" inner "$dir"
}

start_case fresh
check "fresh: NET.ICO written, 2238 bytes" test "$(stat -c %s "$work/fresh/NET.ICO" 2>/dev/null)" = 2238
check "fresh: autostart names the program" grep -qF "Exec=\"$work/fresh/dezu\"" "$work/fresh/config/autostart/Tools.desktop"

start_case garbage 'head -c 65536 /dev/urandom > clock.ini; cp clock.ini clock.ini.orig'
check "garbage clock.ini: started with defaults" test -f "$work/garbage/config/autostart/Tools.desktop"
check "garbage clock.ini: file left as it was" cmp -s "$work/garbage/clock.ini" "$work/garbage/clock.ini.orig"

start_case unreadable 'mkdir clock.ini'
check "unreadable clock.ini: started with defaults" test -f "$work/unreadable/NET.ICO"

start_case longlines 'for i in 1 2 3; do head -c 300000 /dev/zero | tr "\0" "x"; echo; done > WALLAB.INI'
check "long WALLAB.INI lines: started" test -f "$work/longlines/NET.ICO"

start_case existing_icon 'printf "mine" > NET.ICO'
check "existing NET.ICO kept" test "$(cat "$work/existing_icon/NET.ICO")" = mine

echo "$((7 - failures)) passed, $failures failed"
[ "$failures" = 0 ]
