#!/usr/bin/env bash
# Installs what dezu needs, checks the formatting, builds it with
# AddressSanitizer and UndefinedBehaviorSanitizer and warnings as errors, runs
# every test (unit, integration, end-to-end), runs clang-tidy over the product,
# then builds the test programs that run slow work with ThreadSanitizer and
# runs the tests that start it, and fuzzes the file readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

echo "== format (clang-format $(clang-format --version | grep -o '[0-9][0-9.]*' | head -1))"
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
  echo "format check failed: run clang-format -i on the files above" >&2
  exit 1
fi

echo "== build and test (ASan, UBSan, -Werror)"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDEZU_SANITIZE=ON -DDEZU_WERROR=ON \
  -DDEZU_BUILD_ASSET_GENERATOR=ON
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j "$(nproc)" "$@"

# The product's sources under the repository's .clang-tidy (the tests are left
# out: gtest's macros make most of the noise and it triples the time).
echo "== clang-tidy"
bash scripts/tidy.sh app assets clock diary mail platform player wallpaper

# Qt is not built with ThreadSanitizer; tests/tsan.supp names only its
# internals. A report fails the test (TSan's exit code 66). The UI-thread
# timing test is left to the build above: TSan slows every thread too much
# for its 20 ms bound.
echo "== ThreadSanitizer"
tsan_programs=(test_wallpaper test_diary test_mail test_platform)
tsan_tests='^(TaskGroupTest|WallpaperRotatorTest|WallpaperManagerTest|WebPageTest|ImportRunTest|ImportInterruptTest|DiaryImportWindowTest|MailSendTest|MailSendGuardTest|HangingSendTest)\.'
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDEZU_TSAN=ON -DDEZU_WERROR=ON
cmake --build build-tsan --target "${tsan_programs[@]}"
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp second_deadlock_stack=1 history_size=4" \
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" --no-tests=error \
  -R "$tsan_tests" -E 'AChangeNeverHoldsTheUiThreadLong'

# Each reader of hand-editable files under libFuzzer for a bounded time, from
# a copy of its seeds so nothing is written into the checkout. A crash or a
# sanitizer report ends a target non-zero and fails this step.
echo "== fuzz the file readers"
fuzz_targets=(text settings wallpaper_list playlist digit_strip markup addresses)
cmake -S . -B build-fuzz -G Ninja -DDEZU_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz --target "${fuzz_targets[@]/#/fuzz_}"
fuzz_work=$(mktemp -d)
trap 'rm -rf "$fuzz_work"' EXIT
pids=()
for t in "${fuzz_targets[@]}"; do
  mkdir -p "$fuzz_work/$t/corpus" "$fuzz_work/$t/artifacts"
  cp tests/fuzz/seeds/"$t"/* "$fuzz_work/$t/corpus/"
  (cd "$fuzz_work/$t" && TMPDIR="$fuzz_work/$t" "$OLDPWD/build-fuzz/tests/fuzz/fuzz_$t" \
    -max_total_time=60 -rss_limit_mb=2048 -artifact_prefix="$fuzz_work/$t/artifacts/" \
    corpus >"$fuzz_work/$t.log" 2>&1) &
  pids+=($!)
done
fuzz_failed=0
for i in "${!fuzz_targets[@]}"; do
  if ! wait "${pids[$i]}"; then
    t=${fuzz_targets[$i]}
    mkdir -p build-fuzz/artifacts && cp "$fuzz_work/$t/artifacts/"* build-fuzz/artifacts/ 2>/dev/null || true
    echo "fuzz_$t failed; its input is kept in build-fuzz/artifacts" >&2
    tail -n 40 "$fuzz_work/$t.log" >&2
    fuzz_failed=$((fuzz_failed + 1))
  fi
done
echo "fuzz: $((${#fuzz_targets[@]} - fuzz_failed)) passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ]
