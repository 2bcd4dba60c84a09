#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over our sources and the
# headers they include: tidy.sh [folder...] (default: every folder), with
# DEZU_BUILD_DIR naming a configured build (default build-test).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${DEZU_BUILD_DIR:-build-test}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: no $build/compile_commands.json; configure a build first (scripts/test.sh does)" >&2
  exit 1
fi
command -v run-clang-tidy >/dev/null || { echo "tidy: run-clang-tidy is not installed (clang-tidy)" >&2; exit 1; }
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(app assets clock diary mail platform player wallpaper tests)
pattern="^$root/($(IFS='|'; echo "${folders[*]}"))/"
# Sources generated into the build folder (moc, resources) are left out.
run-clang-tidy -quiet -p "$build" -j "${DEZU_TIDY_JOBS:-$(nproc)}" \
  -header-filter "$pattern" "$pattern.*\\.cpp\$"
