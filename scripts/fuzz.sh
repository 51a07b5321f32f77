#!/usr/bin/env bash
# Builds the package fuzzer with clang-14 (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer) and runs it for a bounded time on a seed corpus of valid packages made by
# qspack.
#   fuzz.sh [SECONDS]      (default 60)
# Output in ${QS_BUILD_DIR:-build}/fuzz: the fuzzer, its seeds, the corpus it grows, and
# crash-* files if anything is found. Exit status: 0 when the run found nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
case "$seconds" in
  ''|*[!0-9]*) echo "usage: fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
out=${QS_BUILD_DIR:-$root/build}/fuzz
cxx=${QS_FUZZ_CXX:-clang++-14}
mkdir -p "$out"

# Portable sources the core needs: every package/*.cpp but the Windows ones, and the
# path helpers.
core=()
for src in "$root"/package/*.cpp "$root"/platform/paths.cpp "$root"/platform/names.cpp; do
  case "$src" in *_win.cpp) ;; *) core+=("$src") ;; esac
done

flags=(-std=c++20 -I"$root" -g -O1 -fno-omit-frame-pointer)
echo "fuzz: building package_fuzz with $cxx"
"$cxx" "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  "$root/tests/fuzz/package_fuzz.cpp" "${core[@]}" -o "$out/package_fuzz"

echo "fuzz: building qspack for the seeds"
"$cxx" -std=c++20 -I"$root" -O2 "$root/tools/packtool/main.cpp" "$root"/tools/packtool/core/*.cpp \
  "${core[@]}" -o "$out/qspack"

# Seeds: a few valid packages, each behind the option bytes that pick filter and folder.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out/seeds"
mkdir -p "$out/seeds" "$out/corpus"
mkdir -p "$work/a" "$work/b"
printf 'MZ stand-in program\n' >"$work/a/Quillstation.exe"
printf 'Quillstation read-me\r\n' >"$work/a/readme.txt"
printf ':020000040000FA\n:00000001FF\n' >"$work/a/Quill_Frmw_1.6.0.hex"
head -c 700 /dev/zero | tr '\0' 'x' >"$work/b/big.bin"
printf 'y' >"$work/b/one"
printf 'in a sub-folder\n' >"$work/b/docs\\notes.txt"
"$out/qspack" build "$work/a.pkg" "$work/a/Quillstation.exe" "$work/a/readme.txt" \
  "$work/a/Quill_Frmw_1.6.0.hex" >/dev/null
"$out/qspack" build "$work/b.pkg" "$work/b/one" "$work/b/docs\\notes.txt" "$work/b/big.bin" >/dev/null
for pkg in a b; do
  for option in 00 01 02 03 05 0a 0f; do
    { printf "\\x$option"; cat "$work/$pkg.pkg"; } >"$out/seeds/$pkg-$option"
  done
done

echo "fuzz: running for $seconds s"
cd "$out"
./package_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$out/" corpus seeds
