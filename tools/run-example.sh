#!/usr/bin/env bash
# Builds Tessel, makes the bundled example document and imposes it 4-up into out/example-4up.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh build
cmake -S . -B build/example -DCMAKE_BUILD_TYPE=Release -DTESSEL_TESTS=OFF >/dev/null
cmake --build build/example -j"$(nproc)" --target tessel tessel_make_example
mkdir -p out
build/example/tessel_make_example out/example.pdf
build/example/tessel out/example.pdf out/example-4up.pdf -4up
echo
echo "Example input:   $(pwd)/out/example.pdf (12 pages)"
echo "Imposed output:  $(pwd)/out/example-4up.pdf (3 sheets, 4 pages each)"
echo "Tessel itself:   $(pwd)/build/example/tessel"
