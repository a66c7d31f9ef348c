#!/usr/bin/env bash
# Checks that every C++ file of the program, its tools, tests, benchmarks and fuzz targets is
# laid out as the committed .clang-format says. Lists the files that differ and fails when
# any does; changes nothing. With --fix it formats those files in place instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

fix=0
case ${1:-} in
  '') ;;
  --fix) fix=1 ;;
  *) echo "usage: $0 [--fix]" >&2; exit 2 ;;
esac

# The style file is written for clang-format 14 (Debian 12); another version may lay some
# lines out differently, so use that one where it is installed.
tool=
for t in clang-format-14 clang-format; do
  if command -v "$t" >/dev/null; then tool=$t; break; fi
done
if [ -z "$tool" ]; then
  echo "clang-format is missing: run scripts/install-deps.sh first" >&2
  exit 2
fi

# Committed files only, so a build folder or an editor's scratch file never counts.
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' \
  'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')

differ=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue # deleted in the working tree
  if ! "$tool" --dry-run --Werror "$f" >/dev/null 2>&1; then
    differ+=("$f")
  fi
done

if [ ${#differ[@]} -eq 0 ]; then
  echo "format: ${#files[@]} files, all as .clang-format lays them out"
  exit 0
fi
if [ "$fix" -eq 1 ]; then
  "$tool" -i "${differ[@]}"
  echo "format: ${#differ[@]} of ${#files[@]} files formatted"
  exit 0
fi
printf '%s\n' "${differ[@]}"
echo "format: ${#differ[@]} of ${#files[@]} files differ from .clang-format;" \
  "scripts/format-check.sh --fix lays them out" >&2
exit 1
