#!/usr/bin/env bash
# Builds the Debian package from the build folder (build/, made by scripts/test.sh), shows
# what lintian says of it (failing on an error), and runs kavel32 --version from the
# package's own files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-$(pwd)/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$build"/kavel32_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/kavel32_*.deb)
echo "built $deb"
dpkg-deb --field "$deb" Package Version Depends Suggests

status=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.txt" 2>&1 || status=$?
# Lintian warns that it runs as root; that says nothing of the package.
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$status" -eq 0 ] || { echo "lintian found errors in $deb" >&2; exit 1; }
echo "lintian: no errors"

dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/kavel32" --version
