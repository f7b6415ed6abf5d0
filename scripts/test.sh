#!/usr/bin/env bash
# Installs the build dependencies, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/configure-build.sh
cmake --build build
ctest --test-dir build --output-on-failure -j2
