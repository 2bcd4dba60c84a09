#!/usr/bin/env bash
# Runs every end-to-end test against the built program: run_all.sh <dezu>.
# CTest runs each script as a test of its own (e2e_clock, ...); this is for
# running them all by hand.
set -u
dezu=$1
here=$(cd "$(dirname "$0")" && pwd)
status=0
for t in "$here"/test_*.sh; do
  echo "== $(basename "$t")"
  bash "$t" "$dezu"
  case $? in
    0) echo "ok: $(basename "$t")" ;;
    77) echo "SKIPPED: $(basename "$t")" ;;
    *) echo "FAILED: $(basename "$t")"; status=1 ;;
  esac
done
exit $status
