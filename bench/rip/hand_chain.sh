#!/usr/bin/env bash
# The same job done by hand with the plain tools: 7-Zip volumes, then for every volume a
# numbered diz made with sed, one zip of volume + diz + nfo, the comment with zip -z, and
# the volume deleted.
# Usage: hand_chain.sh SOURCE ZIPDIR WORKDIR NAME VOLUME_BYTES LEVEL DIZ NFO COMMENT TIMES
# Appends "archiver <wall seconds> <user seconds> <system seconds>" to TIMES.
set -euo pipefail
source=$1 zipdir=$2 work=$3 name=$4 volume=$5 level=$6 diz=$7 nfo=$8 comment=$9 times=${10}

out="$work/hand"
mkdir -p "$out"
(cd "$(dirname "$source")" && /usr/bin/time -f "archiver %e %U %S" -a -o "$times" \
   7zz a -t7z "-mx$level" -y -bso0 -bsp0 "-v${volume}b" -- "$out/$name.rar" "$(basename "$source")")

volumes=("$out/$name.rar".*)
count=${#volumes[@]}
k=0
for v in "${volumes[@]}"; do
  k=$((k + 1))
  number=$(printf '%02d' "$k")
  total=$(printf '%02d' "$count")
  sed "3s|000/000|$number/$total|" "$diz" > "$out/file_id.diz"
  (cd "$out" && zip -q -j "$zipdir/$name$number.zip" "$v" file_id.diz "$nfo")
  zip -q -z "$zipdir/$name$number.zip" < "$comment"
  rm "$v"
done
rm -f "$out/file_id.diz"
rmdir "$out"
