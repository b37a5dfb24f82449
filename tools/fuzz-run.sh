#!/bin/sh
# Builds the libFuzzer targets with clang in build/fuzz and runs each for N seconds (default 20)
# on its seed corpus in fuzz/corpus/<Target>/. New inputs go to build/fuzz/corpus/<Target>/,
# failing inputs to build/fuzz/artifacts/. Exits non-zero when any target found a failure.
set -eu

seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang++ not found: fuzzing skipped"
    exit 0
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTESSEL_FUZZ=ON -DTESSEL_TESTS=OFF \
    -DTESSEL_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=$(sed -n 's/^tessel_fuzz_target(\([A-Za-z0-9_]*\) .*/\1/p' "$root/fuzz/CMakeLists.txt")
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets

status=0
mkdir -p "$build/artifacts"
for target in $targets; do
    mkdir -p "$build/corpus/$target"
    echo "== $target: ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
        "$build/corpus/$target" "$root/fuzz/corpus/$target"; then
        echo "== $target FAILED: see $build/artifacts/"
        status=1
    fi
done
exit $status
