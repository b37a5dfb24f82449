#!/usr/bin/env bash
# Times Tessel against a full parse-and-rewrite by qpdf on large documents built from the corpus,
# and records medians, the Tessel/qpdf ratio and peak memory in bench/RESULTS.md.
# Usage: bench/run.sh [runs per case, default 3] [page targets, default "2000 20000"]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
targets=${2:-"2000 20000"}
corpus=../shared/corpus
# Two real books from different producers: a Distiller book whose pages name different fonts
# alike (so nearly every sheet renames and re-compresses a content stream), and a pdfTeX thesis
# whose pages share their fonts (so sheets copy and wrap, and the object count dominates).
sources=(linearized-table-freeculture-352p.pdf linearized-table-pdftex-geotopo-117p.pdf)
for name in "${sources[@]}"; do
  [ -f "$corpus/$name" ] || { echo "SKIP: $corpus/$name not found (real-world corpus absent)"; exit 0; }
done

bash tools/install-deps.sh test
command -v /usr/bin/time >/dev/null || { apt-get install -y -qq time >/dev/null; }
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTESSEL_TESTS=OFF >/dev/null
cmake --build build/bench -j"$(nproc)" --target tessel >/dev/null
tessel=$(pwd)/build/bench/tessel
work=build/bench/work
mkdir -p "$work"

# make_input <source> <pages> <objstm|table>: the book repeated to about <pages> pages. Every
# copy is named apart, so qpdf copies its objects again instead of sharing them between copies:
# the result is as large as a real document of that many pages.
make_input() {
  local source=$1 pages=$2 kind=$3
  local out=$work/in-${source%.pdf}-$pages-$kind.pdf
  if [ ! -f "$out" ]; then
    local source_pages copies args=()
    source_pages=$(qpdf --show-npages "$corpus/$source")
    copies=$(( (pages + source_pages - 1) / source_pages ))
    mkdir -p "$work/copies"
    for i in $(seq "$copies"); do
      ln -sf "$(realpath "$corpus/$source")" "$work/copies/$i-$source"
      args+=("$work/copies/$i-$source")
    done
    local streams=disable
    [ "$kind" = objstm ] && streams=generate
    qpdf --empty --object-streams=$streams --pages "${args[@]}" -- "$out"
  fi
  echo "$out"
}

# measure <label> <command...>: median wall seconds, median CPU seconds (user + system: what the
# run itself costs, steadier than wall time when the machine is shared) and the largest peak RSS.
measure() {
  shift  # the label only names the case for the reader of this script
  local times=() cpus=() peak=0
  for _ in $(seq "$runs"); do
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; return 1; }
    times+=("$(awk -F': ' '/Elapsed \(wall clock\)/ {split($2, t, ":"); s = 0; for (i = 1; i <= length(t); i++) s = s * 60 + t[i]; print s}' "$work/time.txt")")
    cpus+=("$(awk -F': ' '/User time|System time/ {s += $2} END {printf "%.2f", s}' "$work/time.txt")")
    local rss; rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  echo "$(median "${times[@]}") $((peak / 1024)) $(median "${cpus[@]}")"
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

size_ratio() { awk -v a="$(stat -c %s "$1")" -v b="$(stat -c %s "$2")" 'BEGIN {printf "%.2f", a / b}'; }

results=$work/results.md
{
  echo "# Benchmark results"
  echo
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'). Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)."
  echo "Inputs: corpus books concatenated by qpdf (each copy's objects written again); median of $runs runs; peak memory from /usr/bin/time -v."
  echo "Ratios: Tessel's wall time and CPU time (user + system) over those of \`qpdf in.pdf out.pdf\` on the same input; out/in: the output's size over the input's."
} > "$results"

cases=("" "-4up" "-12up3x4" "-split" "-outer-in" "-2to1up")
declare -A seconds     # "<source> <pages> <kind> <case>" -> median seconds, for the growth table
declare -A page_count  # "<source> <pages>" -> pages the built input has
for source in "${sources[@]}"; do
  {
    echo
    echo "## ${source%.pdf}"
    echo
    echo "| pages | MB | xref | case | seconds | CPU s | peak MB | wall / qpdf | CPU / qpdf | out/in |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
  } >> "$results"
  for pages in $targets; do
    for kind in objstm table; do
      input=$(make_input "$source" "$pages" "$kind")
      real_pages=$(qpdf --show-npages "$input")
      size_mb=$(( $(stat -c %s "$input") / 1048576 ))
      page_count["$source $pages"]=$real_pages
      read -r qpdf_s qpdf_mb qpdf_cpu < <(measure qpdf qpdf "$input" "$work/qpdf-out.pdf")
      seconds["$source $pages $kind qpdf"]=$qpdf_s
      echo "| $real_pages | $size_mb | $kind | qpdf in.pdf out.pdf | $qpdf_s | $qpdf_cpu | $qpdf_mb | 1.00 | 1.00 | $(size_ratio "$work/qpdf-out.pdf" "$input") |" >> "$results"
      for options in "${cases[@]}"; do
        read -r s mb cpu < <(measure tessel "$tessel" "$input" "$work/out.pdf" $options)
        seconds["$source $pages $kind ${options:-2up}"]=$s
        ratio=$(awk -v a="$s" -v b="$qpdf_s" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
        cpu_ratio=$(awk -v a="$cpu" -v b="$qpdf_cpu" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
        echo "| $real_pages | $size_mb | $kind | tessel ${options:-(2-up)} | $s | $cpu | $mb | $ratio | $cpu_ratio | $(size_ratio "$work/out.pdf" "$input") |" >> "$results"
      done
    done
  done

  # Growth: the time at the largest target over the time at the smallest. A cost that grows
  # with the file gives about the page ratio; more than that means something grows faster.
  read -r -a sizes <<< "$targets"
  small=${sizes[0]} large=${sizes[${#sizes[@]} - 1]}
  [ "$small" = "$large" ] && continue
  {
    echo
    echo "Growth from ${page_count["$source $small"]} to ${page_count["$source $large"]} pages (time at the larger / time at the smaller; pages grow $(awk -v a="${page_count["$source $large"]}" -v b="${page_count["$source $small"]}" 'BEGIN {printf "%.1f", a / b}') times):"
    echo
    echo "| xref | case | growth |"
    echo "|---|---|---|"
    for kind in objstm table; do
      for name in qpdf "${cases[@]}"; do
        name=${name:-2up}
        growth=$(awk -v a="${seconds["$source $large $kind $name"]}" -v b="${seconds["$source $small $kind $name"]}" \
          'BEGIN {if (b > 0) printf "%.1f", a / b; else print "n/a"}')
        label="tessel $name"
        [ "$name" = 2up ] && label="tessel (2-up)"
        [ "$name" = qpdf ] && label="qpdf in.pdf out.pdf"
        echo "| $kind | $label | $growth |"
      done
    done
  } >> "$results"
done
cp "$results" bench/RESULTS.md
cat bench/RESULTS.md
