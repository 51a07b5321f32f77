#!/usr/bin/env bash
# Builds the package fuzzer with clang-14 (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer; the CMake option QS_FUZZ) and runs it for a bounded time on a seed corpus of
# valid packages made by qspack.
#   fuzz.sh [SECONDS]      (default 60)
# Output in ${QS_BUILD_DIR:-build}/fuzz: the build (the fuzzer at tests/fuzz/package_fuzz),
# its seeds, the corpus it grows, and crash-* files if anything is found. Exit status: 0
# when the run found nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
case "$seconds" in
  ''|*[!0-9]*) echo "usage: fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
out=${QS_BUILD_DIR:-$root/build}/fuzz
cxx=${QS_FUZZ_CXX:-clang++-14}
cc=${QS_FUZZ_CC:-${cxx/clang++/clang}}
jobs=$(nproc)
mkdir -p "$out"

# The fuzzer and the qspack that makes its seeds, from the same sources as every build.
echo "fuzz: building package_fuzz and qspack with $cxx"
cmake -S "$root" -B "$out" -DQS_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$out" -j "$jobs" --target package_fuzz qspack >/dev/null
qspack=$out/tools/qspack

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
"$qspack" build "$work/a.pkg" "$work/a/Quillstation.exe" "$work/a/readme.txt" \
  "$work/a/Quill_Frmw_1.6.0.hex" >/dev/null
"$qspack" build "$work/b.pkg" "$work/b/one" "$work/b/docs\\notes.txt" "$work/b/big.bin" >/dev/null
for pkg in a b; do
  for option in 00 01 02 03 05 0a 0f; do
    { printf "\\x$option"; cat "$work/$pkg.pkg"; } >"$out/seeds/$pkg-$option"
  done
done

echo "fuzz: running for $seconds s"
cd "$out"
./tests/fuzz/package_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$out/" corpus seeds
