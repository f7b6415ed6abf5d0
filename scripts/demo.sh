#!/usr/bin/env bash
# Builds Kavel32 and runs the bundled demo job unattended: the demo source (plus a
# generated 2.5 MB data file, so the set spans several volumes) is split into 500,000-byte
# volumes and every volume is wrapped into its own numbered zip.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/install-deps.sh
bash scripts/configure-build.sh
cmake --build build --target kavel32 wrar wace size pkzip

demo="$top/build/demo"
rm -rf "$demo"
mkdir -p "$demo/zips" "$demo/work"
cp -r examples/demo/source "$demo/source"
head -c 2500000 /dev/urandom > "$demo/source/data.bin"
sed -e "s|@SRC@|$demo/source|g" -e "s|@DEMO@|$top/examples/demo|g" -e "s|@OUT@|$demo/zips|g" \
    examples/demo/demo.rip.in > "$demo/demo.rip"

# A private state folder keeps the demo from touching the user's own settings.
export KAVEL32_STATE_DIR="$demo/state"
"$top/build/bin/kavel32" --work-dir "$demo/work" "!$demo/demo.rip"
echo "The demo's zips are in $demo/zips:"
ls -l "$demo/zips"
