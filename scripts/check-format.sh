#!/usr/bin/env bash
# Checks every C++ file of the repository against the project's .clang-format with
# clang-format 14; lists the files that differ and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=$(command -v clang-format-14 || command -v clang-format)
differ=()
while IFS= read -r -d '' file; do
  "$clang_format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1 || differ+=("$file")
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#differ[@]} -gt 0 ]; then
  printf '%s\n' "${differ[@]}"
  echo "${#differ[@]} files differ from .clang-format (clang-format -i FILE formats one)" >&2
  exit 1
fi
echo "every C++ file follows .clang-format"
