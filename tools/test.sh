#!/usr/bin/env bash
# Builds Tessel twice, plainly and with AddressSanitizer + UndefinedBehaviorSanitizer, and runs the
# whole test suite in both; a short fuzz run goes between them. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh test
jobs=$(nproc)

echo "== Formatting"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== Layers"
bash tools/check-layers.sh

echo "== Plain build and tests"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSEL_WERROR=ON >/dev/null
cmake --build build/release -j"$jobs"
(cd build/release && ctest -j"$jobs" --output-on-failure)

if command -v clang++ >/dev/null && [ -x tools/fuzz-run.sh ]; then
  echo "== Short fuzz run"
  bash tools/fuzz-run.sh 20
fi

echo "== Sanitizer build and tests"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSEL_SANITIZE=ON -DTESSEL_WERROR=ON >/dev/null
cmake --build build/asan -j"$jobs"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest -j"$jobs" --output-on-failure)
