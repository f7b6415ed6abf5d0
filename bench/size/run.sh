#!/usr/bin/env bash
# size (as the rip run calls it: /s /t) against du -sb on a generated tree of 100,000 files.
# Usage: bench/size/run.sh [RUNS] [FILES] [BIN_DIR]
# Both are run alternately RUNS times (default 5) on a warm cache; medians and their ratio
# (target <= 1.1) are printed, and both totals are checked to agree.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
runs=${1:-5}
files=${2:-100000}
bin=${3:-$top/build/bin}
tree="$top/build/bench-size/tree-$files"
if [ ! -d "$tree" ]; then
  mkdir -p "$(dirname "$tree")"
  echo "generating $files files ..."
  python3 "$here/make_tree.py" 1 "$files" "$tree"
fi

seconds() { local s=$(date +%s.%N); "$@" >/dev/null; echo "$(date +%s.%N) - $s" | bc; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# Warm the cache, and check that both count the same bytes.
size_total=$("$bin/size" "$tree" /s /t | tr -d '\r' | grep -Eo '[0-9,]+ bytes' | tail -n 1 | tr -d ', bytes')
files_total=$(find "$tree" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
echo "size reports $size_total bytes; the files hold $files_total bytes"

size_times=() du_times=()
for ((i = 1; i <= runs; i++)); do
  size_times+=("$(seconds "$bin/size" "$tree" /s /t)")
  du_times+=("$(seconds du -sb "$tree")")
done
s=$(printf '%s\n' "${size_times[@]}" | median)
d=$(printf '%s\n' "${du_times[@]}" | median)
echo "files: $files, runs: $runs"
echo "median size /s /t: $s s"
echo "median du -sb:     $d s"
echo "ratio size / du:   $(echo "scale=3; $s / $d" | bc)  (target <= 1.1)"
