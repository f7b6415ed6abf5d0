#!/usr/bin/env bash
# Installs the build folder (build/, made by scripts/test.sh) into a staging folder with
# DESTDIR, as a package does, and then uses only the installed tree: the layout (no tool in
# bin/), the bundled demo job run unattended with nothing but the tree's bin/ and the system
# folders on PATH and no override of the program folder, its zips tested with unzip, the
# marquee control created through the installed registry, a program embedding the marquee
# widget built against the installed headers, CMake package and pkg-config file, the desktop
# files validated and the manual pages installed.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${BUILD_DIR:-$top/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "install check: $*" >&2; exit 1; }

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
tree="$work/stage/usr"
echo "installed into $tree"

# The tools the run starts are private: a size in bin/ would replace binutils' own.
for tool in size wrar wace pkzip; do
  [ ! -e "$tree/bin/$tool" ] || fail "$tool is in bin/"
  [ -x "$tree/libexec/kavel32/$tool" ] || fail "$tool is not in libexec/kavel32"
done
for program in kavel32 zqregsvr zqmhost; do
  [ -x "$tree/bin/$program" ] || fail "$program is not in bin/"
done
for part in '*/zqmarq/libzqmarq.so*' '*/zqmarq/components.reg' \
            '*/qt6/plugins/designer/libzqmarq_designer.so'; do
  [ -n "$(find "$tree" -path "$part")" ] || fail "nothing installed matches $part"
done
# No text file of the tree may name the build folder.
if grep -rlI -- "$build" "$tree"; then fail "installed files name the build folder"; fi

# Only the installed tree: a fresh home, no display, no program-folder override.
run_installed() {
  env -i HOME="$work/home" PATH="$tree/bin:/usr/bin:/bin" LANG=C.UTF-8 \
      XDG_RUNTIME_DIR="$work/runtime" KAVEL32_STATE_DIR="$work/state" "$@"
}
mkdir -p "$work/home"
mkdir -m 700 "$work/runtime"
run_installed kavel32 --version

demo="$work/demo"
mkdir -p "$demo/zips" "$demo/work"
cp -r examples/demo/source "$demo/source"
head -c 2500000 /dev/urandom > "$demo/source/data.bin"
sed -e "s|@SRC@|$demo/source|g" -e "s|@DEMO@|$top/examples/demo|g" -e "s|@OUT@|$demo/zips|g" \
    examples/demo/demo.rip.in > "$demo/demo.rip"
run_installed kavel32 --work-dir "$demo/work" "!$demo/demo.rip"
zips=("$demo"/zips/*.zip)
[ ${#zips[@]} -ge 5 ] || fail "the demo made ${#zips[@]} zips, not 5 or more"
for zip in "${zips[@]}"; do
  unzip -tq "$zip" >/dev/null || fail "unzip -t refuses $zip"
  grep -q ' file_id.diz$' <<<"$(unzip -l "$zip")" || fail "$zip holds no file_id.diz"
done
echo "the demo job made ${#zips[@]} zips; unzip -t accepts every one"

# The window's marquee, created by class through the registry shipped beside the library.
text=$(run_installed QT_QPA_PLATFORM=offscreen zqmhost ZqMarquee.ZqMarqueeCtrl.1 Text 2>&1) ||
  fail "zqmhost cannot create the marquee: $text"
[ "$text" = "Text=Nimbrel Marquee" ] || fail "zqmhost printed '$text'"
echo "the installed container creates the marquee control"

# The marquee widget library as an embedder meets it: its header and export header, a CMake
# package and a pkg-config file, and the example built against the installed tree alone, both
# ways, and run.
headers=$(cd "$tree/include" && find . -type f | sort)
[ "$headers" = $'./ZQMarq/zq_marquee.h\n./ZQMarq/zqmarq_export.h' ] ||
  fail "installed headers are not the widget's and its export header:" $headers
pc=$(find "$tree" -name zqmarq-widget.pc)
[ -n "$pc" ] || fail "no zqmarq-widget.pc installed"
[ -n "$(find "$tree" -name ZQMarqConfig.cmake)" ] || fail "no ZQMarqConfig.cmake installed"
example="$work/example"
mkdir -p "$example/make"
cmake -S examples/marquee-embed -B "$example/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$tree" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$example/cmake" >/dev/null
cp examples/marquee-embed/Makefile examples/marquee-embed/main.cpp "$example/make/"
PKG_CONFIG_PATH=$(dirname "$pc") make -s -C "$example/make"
libdir=$(dirname "$(dirname "$pc")")
for program in "$example/cmake/marquee-embed" "$example/make/marquee-embed"; do
  used=$(LD_LIBRARY_PATH="$libdir" ldd "$program" | grep zqmarq-widget)
  [[ $used == *"$libdir/"* ]] || fail "$program does not use the installed library: $used"
  LD_LIBRARY_PATH="$libdir" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$program" --check
done
echo "the example builds against the installed ZQMarq package and with pkg-config, and runs"

desktop-file-validate "$tree"/share/applications/*.desktop
appstreamcli validate --no-net "$tree"/share/metainfo/*.metainfo.xml

# The manual pages are installed; what they say is held against each program's help by the
# test dist_test_man_pages.
for page in kavel32 zqregsvr zqmhost; do
  [ -s "$tree/share/man/man1/$page.1.gz" ] || fail "the manual page of $page is not installed"
done
echo "the manual pages are installed"
