#!/usr/bin/env bash
# Runs two Tessel binaries over every corpus file in a set of layouts and reports every output
# (PDF bytes, console text, exit status) that differs between them. For checking that a change
# leaves the outputs it should not touch byte for byte as they were.
# Usage: tools/compare-outputs.sh <old tessel> <new tessel> [work folder] [corpus folder]
# Extra layouts: LAYOUTS="-4up|-down -8up2x4" (cases separated by "|"; a case may hold options).
set -uo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
work=${3:-build/compare}
corpus=${4:-"$(dirname "$0")/../../shared/corpus"}
[ -d "$corpus" ] || { echo "SKIP: $corpus not found (real-world corpus absent)"; exit 0; }
corpus=$(realpath "$corpus")
IFS='|' read -r -a layouts <<<"${LAYOUTS:-|-4up|-12up3x4|-split|-outer-in|-2to1up|-duplex|-down|-6up3x2 -down}"

rm -rf "$work"
mkdir -p "$work/old" "$work/new"
work=$(realpath "$work")
files=0
diffs=0
for pdf in "$corpus"/*.pdf "${EXTRA_INPUTS[@]:-}"; do
  [ -f "$pdf" ] || continue
  base=$(basename "$pdf" .pdf)
  for layout in "${layouts[@]}"; do
    tag=$(echo "$layout" | tr -c 'A-Za-z0-9\n-' '_')
    name="$base${tag:+_$tag}"
    for side in old new; do
      binary=$old
      [ $side = new ] && binary=$new
      # shellcheck disable=SC2086
      (cd "$work/$side" && timeout 120 "$binary" "$pdf" "$name.pdf" $layout >"$name.txt" 2>&1
       echo "status $?" >>"$name.txt"
       # Temporary names hold the process number: the same run gives another name each time.
       sed -i -e 's/_temp_[A-Za-z0-9_.]*tmp/_temp_tmp/g' \
         -e 's/\.tessel-[0-9]*-[0-9]*\.tmp/.tessel-tmp/g' "$name.txt")
    done
    files=$((files + 1))
    if ! cmp -s "$work/old/$name.txt" "$work/new/$name.txt"; then
      echo "console differs: $name"
      diffs=$((diffs + 1))
    elif [ -f "$work/old/$name.pdf" ] || [ -f "$work/new/$name.pdf" ]; then
      if ! cmp -s "$work/old/$name.pdf" "$work/new/$name.pdf"; then
        echo "output differs: $name"
        diffs=$((diffs + 1))
      fi
    fi
  done
done
echo "$files runs compared, $diffs differ (outputs in $work/old and $work/new)"
