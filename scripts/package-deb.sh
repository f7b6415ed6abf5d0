#!/usr/bin/env bash
# Builds the three Debian packages from the build folder (build/, made by scripts/test.sh):
# kavel32, libzqmarq-widget2 and libzqmarq-widget-dev. Checks that the widget library exports
# exactly the symbols its symbols file tracks, runs lintian on all three (failing on any
# warning), runs kavel32 --version from the program's package, and builds and runs the
# embedding example against the library and -dev packages alone, with CMake and with
# pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${BUILD_DIR:-$top/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "package check: $*" >&2; exit 1; }

rm -f "$build"/kavel32_*.deb "$build"/libzqmarq-widget*.deb
(cd "$build" && cpack -G DEB >/dev/null)
program=$(ls "$build"/kavel32_*.deb)
library=$(ls "$build"/libzqmarq-widget2_*.deb)
dev=$(ls "$build"/libzqmarq-widget-dev_*.deb)
for deb in "$program" "$library" "$dev"; do
  echo "built $deb"
  dpkg-deb --field "$deb" Package Version Section Depends Suggests
done

# The SONAME names the package, and the symbols file lists what the library exports, no more
# and no less (dpkg-gensymbols -c4 fails on any difference).
dpkg-deb -x "$library" "$work/library"
soname_file=$(find "$work/library" -name 'libzqmarq-widget.so.*.*')
soname=$(objdump -p "$soname_file" | awk '/SONAME/ {print $2}')
[ "$soname" = libzqmarq-widget.so.2 ] || fail "the library's SONAME is $soname"
(cd "$work" && dpkg-gensymbols -c4 -plibzqmarq-widget2 -v"$(dpkg-deb --field "$library" Version)" \
  -I"$top/dist/deb/libzqmarq-widget2/symbols" -e"$soname_file" -O"$work/symbols" \
  >"$work/gensymbols.txt" 2>&1) || { cat "$work/gensymbols.txt" >&2;
  fail "the library's exported symbols differ from dist/deb/libzqmarq-widget2/symbols"; }
echo "the library exports what its symbols file lists"
# No maintainer script of any package runs ldconfig: the library package's trigger does.
for deb in "$program" "$library" "$dev"; do
  control="$work/control-$(basename "$deb")"
  dpkg-deb -e "$deb" "$control"
  for script in "$control"/{pre,post}{inst,rm}; do
    if [ -e "$script" ] && grep -qE '^[^#]*\bldconfig\b' "$script"; then
      fail "$(basename "$script") of $deb runs ldconfig"
    fi
  done
done

status=0
lintian --fail-on warning --display-info "$program" "$library" "$dev" >"$work/lintian.txt" 2>&1 ||
  status=$?
# Lintian warns that it runs as root; that says nothing of the packages.
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian found warnings or errors"
echo "lintian: no warnings"

dpkg-deb -x "$program" "$work/root"
"$work/root/usr/bin/kavel32" --version

# An embedder with nothing but the library and its -dev package.
root="$work/embedder"
dpkg-deb -x "$library" "$root"
dpkg-deb -x "$dev" "$root"
libdir=$(dirname "$(find "$root" -name 'libzqmarq-widget.so.2')")
pcdir=$(dirname "$(find "$root" -name zqmarq-widget.pc)")
cmake -S examples/marquee-embed -B "$work/example-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$work/example-cmake" >/dev/null
mkdir -p "$work/example-make"
cp examples/marquee-embed/Makefile examples/marquee-embed/main.cpp "$work/example-make/"
PKG_CONFIG_PATH=$pcdir make -s -C "$work/example-make"
mkdir -m 700 "$work/runtime"
for example in "$work/example-cmake/marquee-embed" "$work/example-make/marquee-embed"; do
  used=$(LD_LIBRARY_PATH="$libdir" ldd "$example" | grep zqmarq-widget)
  [[ $used == *"$libdir/"* ]] || fail "$example does not use the packaged library: $used"
  LD_LIBRARY_PATH="$libdir" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$example" --check
done
echo "the example builds against libzqmarq-widget-dev alone, with CMake and pkg-config, and runs"
