#!/usr/bin/env bash
# Builds the installer twice, from two copies of the source tree in folders of different
# paths into build folders of different paths, and compares the two executables byte by
# byte. Exit code 0 only when they are identical.
#   check-reproducible.sh [--jobs N] [--keep]
# The copies hold the checkout's files as they are (tracked and untracked, not ignored).
# Only the installer and what it needs is built (package tool, stand-in, package).
# --keep leaves the temporary folders in place for a closer look.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=2
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --jobs) jobs=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "check-reproducible: unknown option $1" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/qs-reproducible.XXXXXX")
[ "$keep" -eq 1 ] || trap 'rm -rf "$work"' EXIT
# Two trees whose paths differ in name and in length.
trees=("$work/a" "$work/second-tree-with-a-longer-path")

build_tree() {  # tree folder
  local tree=$1
  mkdir -p "$tree/src"
  (cd "$root" && git ls-files -z -co --exclude-standard | xargs -0 cp --parents -t "$tree/src")
  cmake -S "$tree/src" -B "$tree/build" \
    -DCMAKE_TOOLCHAIN_FILE="$tree/src/cmake/mingw-i686.cmake" >"$tree/configure.log" 2>&1 &&
  cmake --build "$tree/build" --target QuillstationSetup -j "$jobs" >"$tree/build.log" 2>&1
}

for tree in "${trees[@]}"; do
  if ! build_tree "$tree"; then
    echo "check-reproducible: the build in $tree failed:" >&2
    tail -n 30 "$tree/configure.log" "$tree/build.log" >&2 2>/dev/null
    exit 1
  fi
done

first=${trees[0]}/build
second=${trees[1]}/build
if cmp -s "$first/QuillstationSetup.exe" "$second/QuillstationSetup.exe"; then
  echo "check-reproducible: identical installers ($(stat -c %s "$first/QuillstationSetup.exe") bytes," \
    "sha256 $(sha256sum "$first/QuillstationSetup.exe" | cut -c1-16)...)"
  exit 0
fi

# Where the two builds part: the pieces the installer is made of, then the bytes.
echo "check-reproducible: the two installers differ" >&2
for piece in resources/package.bin product/Quillstation.exe; do
  cmp -s "$first/$piece" "$second/$piece" || echo "  $piece differs too" >&2
done
echo "  differing bytes: $(cmp -l "$first/QuillstationSetup.exe" "$second/QuillstationSetup.exe" | wc -l)" >&2
cmp -l "$first/QuillstationSetup.exe" "$second/QuillstationSetup.exe" | head -n 10 >&2
diff <(cd "$first" && i686-w64-mingw32-objdump -p QuillstationSetup.exe) \
     <(cd "$second" && i686-w64-mingw32-objdump -p QuillstationSetup.exe) | head -n 20 >&2
exit 1
