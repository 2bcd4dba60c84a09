#!/usr/bin/env bash
# Installs what dezu needs, builds it with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test (unit, integration, end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDEZU_SANITIZE=ON
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j "$(nproc)" "$@"
