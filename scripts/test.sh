#!/usr/bin/env bash
# Installs the build dependencies, builds everything and runs the whole test suite. Run as
# root (as CI runs it), a test that needs 7zz, par2 or the super-user fails when it cannot
# have them instead of skipping (KAVEL32_TEST_STRICT=1). Arguments go to ctest: -L unit runs
# the quick tests only.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then export KAVEL32_TEST_STRICT=${KAVEL32_TEST_STRICT:-1}; fi
bash scripts/install-deps.sh
bash scripts/configure-build.sh
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
