#!/usr/bin/env bash
# Builds the installer twice, from two copies of the source tree in folders of different
# paths into build folders of different paths, and compares the two executables byte by
# byte. Then builds the x86-64 installer from the first build's product files and checks
# that it carries the same package bytes. Exit code 0 only when both hold.
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

build_tree() {  # tree folder, processor (i686 or x86_64), [cmake options...]
  local tree=$1 processor=$2
  shift 2
  mkdir -p "$tree/src"
  (cd "$root" && git ls-files -z -co --exclude-standard | xargs -0 cp --parents -t "$tree/src")
  if ! { cmake -S "$tree/src" -B "$tree/build" -DCMAKE_TOOLCHAIN_FILE="$tree/src/cmake/mingw-$processor.cmake" \
           "$@" >"$tree/configure.log" 2>&1 &&
         cmake --build "$tree/build" --target QuillstationSetup -j "$jobs" >"$tree/build.log" 2>&1; }; then
    echo "check-reproducible: the build in $tree failed:" >&2
    tail -n 30 "$tree/configure.log" "$tree/build.log" >&2 2>/dev/null
    exit 1
  fi
}

for tree in "${trees[@]}"; do build_tree "$tree" i686; done

# The x86-64 build of the first build's product files carries the same package: the
# vehicle that proves the installer where no 32-bit program runs installs the same bytes.
same_package() {
  local first=$1 product=$work/product x64=$work/x86-64 qspack=$1/host-tools/tools/qspack name
  mkdir -p "$product"
  # The product files the first build packaged: its built program, the other stand-ins.
  while read -r name; do
    if [ -f "$first/product/$name" ]; then cp "$first/product/$name" "$product"; else cp "$root/product/$name" "$product"; fi
  done < <("$first/host-tools/tools/qsrelease" fact packaged-files)
  build_tree "$x64" x86_64 -DQS_PRODUCT_DIR="$product"
  if ! cmp -s "$first/resources/package.bin" "$x64/build/resources/package.bin" ||
     ! cmp -s <("$qspack" list "$first/QuillstationSetup.exe") <("$qspack" list "$x64/build/QuillstationSetup.exe"); then
    echo "check-reproducible: the x86-64 installer of the same product files carries another package" >&2
    diff <("$qspack" list "$first/QuillstationSetup.exe") <("$qspack" list "$x64/build/QuillstationSetup.exe") >&2
    return 1
  fi
  echo "check-reproducible: the x86-64 installer carries the same package ($(stat -c %s "$first/resources/package.bin") bytes)"
}

first=${trees[0]}/build
second=${trees[1]}/build
if cmp -s "$first/QuillstationSetup.exe" "$second/QuillstationSetup.exe"; then
  echo "check-reproducible: identical installers ($(stat -c %s "$first/QuillstationSetup.exe") bytes," \
    "sha256 $(sha256sum "$first/QuillstationSetup.exe" | cut -c1-16)...)"
  same_package "$first"
  exit $?
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
