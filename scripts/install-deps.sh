#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the benchmarks and the packaging
# checks (desktop files, manual pages, the .deb and lintian) need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-tools-dev qt6-tools-dev-tools
  qt6-svg-dev libgl1-mesa-dev
  libzip-dev zlib1g-dev libdeflate-dev zip unzip 7zip par2 cksfv
  xvfb xauth imagemagick fonts-dejavu-core
  clang libclang-rt-14-dev libbenchmark-dev valgrind
  python3 time bc
  clang-format-14
  desktop-file-utils appstream shared-mime-info man-db groff-base file dpkg-dev lintian
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All build and test packages are installed."
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
