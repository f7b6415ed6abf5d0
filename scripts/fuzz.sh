#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) in build-fuzz and runs each for
# FUZZ_SECONDS seconds (default 60) on a copy of its seed corpus. FUZZ_SEED fixes the random
# seed (default 0: a new one each run), so that a smoke run tries the same inputs every time.
# Usage: scripts/fuzz.sh [target...]   (default: every target)
# A finding stops the script with the crashing input in build-fuzz/findings/<target>/;
# fix it and keep the input in tests/fuzz/regressions/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
seconds=${FUZZ_SECONDS:-60}
seed=${FUZZ_SEED:-0}
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
# A build-fuzz/ of the time the targets had a project of their own goes.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$top" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
# The project's own libraries, built with the fuzz flags; no tests, benchmarks or plugin.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKAVEL_FUZZ=ON -DKAVEL_BENCH=OFF -DKAVEL_DESIGNER_PLUGIN=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets <"$build/fuzz_targets.txt" # the list in tests/fuzz/CMakeLists.txt
fi
cmake --build "$build" --target "${targets[@]}"

status=0
for t in "${targets[@]}"; do
  work="$build/work/$t"
  findings="$build/findings/$t"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  cp -r "tests/fuzz/corpus/$t/." "$work/"
  if [ -d "tests/fuzz/regressions/$t" ]; then cp -r "tests/fuzz/regressions/$t/." "$work/"; fi
  echo "== $t: ${seconds}s"
  # Qt may warn on odd input; keep the log about findings.
  if ! QT_LOGGING_RULES='*=false' "$build/bin/$t" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
      -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" >"$build/$t.log" 2>&1; then
    echo "!! $t found a fault; input(s) in $findings:" >&2
    ls -l "$findings" >&2
    tail -n 60 "$build/$t.log" >&2
    status=1
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$build/$t.log" | tail -n 3
  fi
done
exit $status
