#!/usr/bin/env bash
# Builds and runs the extraction benchmarks: the host Google Benchmark program and the
# Windows timing program under Wine (the i686 build, or the x86-64 one where this host
# runs no 32-bit programs: scripts/vehicle.sh); prints one table of MB/s and ratios (time
# as a multiple of one MD5 pass over the same bytes).
#   bench-extract.sh [--rounds N]
# Build trees: $QS_BUILD_DIR/host and $QS_BUILD_DIR/win or win64 (default: build/ of the
# checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
rounds=15
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench-extract.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
jobs=$(nproc)
. "$root/scripts/vehicle.sh"
qs_choose_vehicle "$build"
tree=$build/$QS_VEHICLE_TREE
results=$(mktemp)
wine_dir="$tree/bench-wine"
cleanup() {
  rm -f "$results"
  [ -d "$wine_dir" ] && "$root/scripts/wine-stop.sh" "$wine_dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "bench-extract: building (host)" >&2
cmake -S "$root" -B "$build/host" >/dev/null
cmake --build "$build/host" -j "$jobs" --target extract_bench >/dev/null
echo "bench-extract: building ($QS_VEHICLE; $QS_VEHICLE_WHY)" >&2
cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$QS_VEHICLE_TOOLCHAIN" >/dev/null
cmake --build "$tree" -j "$jobs" --target extract_timing >/dev/null

echo "bench-extract: running the host benchmark" >&2
"$build/host/tools/bench/extract_bench" --benchmark_min_time=0.3 2>/dev/null | grep '^RESULT' >>"$results"
echo "bench-extract: running the $QS_VEHICLE timing program under Wine" >&2
if [ "$QS_VEHICLE" = i686 ]; then
  "$root/scripts/wine-start.sh" "$wine_dir" win32 wine >/dev/null 2>&1
else
  "$root/scripts/wine-start.sh" "$wine_dir" win64 wine64 >/dev/null 2>&1
fi
"$root/scripts/wine-run.sh" --dir "$wine_dir" "$tree/tools/bench/extract_timing.exe" "$rounds" \
  2>/dev/null | tr -d '\r' | grep '^RESULT' >>"$results"

# RESULT build measure MB/s ratio  ->  one row per measure, host and Windows side by side.
awk -v win="$QS_VEHICLE" '
  { key = $3; if (!(key in seen)) { seen[key] = 1; order[++n] = key }
    mbps[$2, key] = $4; ratio[$2, key] = $5 }
  END {
    printf "%-20s %10s %8s %10s %8s\n", "measure", "host MB/s", "ratio", win " MB/s", "ratio"
    for (i = 1; i <= n; i++) {
      k = order[i]
      printf "%-20s %10s %8s %10s %8s\n", k, mbps["host", k], ratio["host", k], mbps[win, k], ratio[win, k]
    }
    print ""
    print "ratio: time as a multiple of one MD5 pass over the same bytes in the same run"
    print "targets for extract/fast: at most 1.5 (host), at most 2.0 (" win " under Wine)"
  }' "$results"
