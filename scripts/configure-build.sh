#!/usr/bin/env bash
# Configures build/ the one way the demo, the tests and the package share, so that running
# one after another never rebuilds: optimised as released, without debug information (the
# package strips it anyway, and it costs a fifth of the build time), for /usr, the layout of
# the Debian package that scripts/package-deb.sh makes from this folder.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_INSTALL_PREFIX=/usr "$@"
