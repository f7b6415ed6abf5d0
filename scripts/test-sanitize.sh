#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs it. Lean on purpose: -O1, no benchmarks, no Qt Designer plugin.
# Any sanitizer report fails the test that raised it.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${ASAN_BUILD_DIR:-$top/build-asan}

# Programs the build runs (the component registration) are instrumented as well.
# Full allocation stacks (fast_unwind_on_malloc=0): Qt is built without frame pointers, and the
# one suppression of Qt's own leak (tests/sanitize/lsan.supp) must match it by name.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$top/tests/sanitize/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$top/tests/sanitize/ubsan.supp"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DKAVEL_SANITIZE=ON -DKAVEL_BENCH=OFF \
  -DKAVEL_DESIGNER_PLUGIN=OFF
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2 "$@"
