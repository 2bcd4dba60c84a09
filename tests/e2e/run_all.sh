#!/usr/bin/env bash
# Runs every end-to-end test against the built program: run_all.sh <dezu>.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
status=0
for t in "$here"/test_*.sh; do
  echo "== $(basename "$t")"
  if bash "$t" "$dezu"; then echo "ok: $(basename "$t")"; else echo "FAILED: $(basename "$t")"; status=1; fi
done
exit $status
