#!/usr/bin/env bash
# The benchmark command: one table of
#  - the wall time under Wine (warm wineserver, private prefix) of a hidden unattended
#    install (-h -i) and removal (-h -u) of QuillstationSetup.exe built with product files
#    of the shipped sizes, as medians of --runs runs, each as a ratio to the floor (Wine
#    starting and ending a program that returns at once) and to an NSIS installer of the
#    same three files doing the same job (tools/bench/quillstation.nsi: silent install /S,
#    in-place silent removal uninstall.exe /S _?=INSTDIR), measured side by side; and the
#    removal as the uninstall entry's quiet command starts it (the copy in the install
#    folder, -h -u), against the removal started from elsewhere; and -h -e where this
#    version is installed and complete (the installed files compared, nothing written),
#    against the install;
#  - the program's own weight: the installer's size minus the package and the picture,
#    against the NSIS stub that makensis builds on (zlib, x86, Unicode);
#  - the extraction figures of scripts/bench-extract.sh (skipped with --no-extract).
# The times are of the build this host runs (scripts/vehicle.sh): the shipped 32-bit
# installer against NSIS's x86 stub in a 32-bit prefix, or, where no 32-bit program runs,
# the x86-64 build against NSIS built with Target amd64-unicode in a 64-bit prefix under
# 64-bit Wine. The own weight is always the shipped 32-bit installer's (a static measure).
# --phases adds where the time of one install and one removal goes: the same runs with a
# build of the installer that records the time of each of its phases (CMake option
# QS_PHASE_MARKS; never the shipped build), medians per phase (tools/bench/phases.py).
#   bench.sh [--runs N] [--no-extract] [--phases]
# Build trees: $QS_BUILD_DIR/win and $QS_BUILD_DIR/host (default: build/ of the checkout);
# the benchmark's own files go to $QS_BUILD_DIR/bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
runs=9
extract=1
phases=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --no-extract) extract=0; shift ;;
    --phases) phases=1; shift ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$runs" -ge 7 ] || { echo "bench.sh: at least 7 runs" >&2; exit 2; }
jobs=$(nproc)
. "$root/scripts/vehicle.sh"
qs_choose_vehicle "$build"
say() { echo "bench: $*" >&2; }
say "$QS_VEHICLE_WHY: timing $QS_VEHICLE_WHAT"
bench=$build/bench
mkdir -p "$bench/product"
build=$(realpath "$build"); bench=$(realpath "$bench")
product=$bench/product
wine_dir=$bench/wine
nsis_stub=/usr/share/nsis/Stubs/zlib-x86-unicode
times=$(mktemp)
keeper_pid=""
cleanup() {
  rm -f "$times"
  [ -n "$keeper_pid" ] && kill "$keeper_pid" 2>/dev/null || true
  [ -d "$wine_dir" ] && "$root/scripts/wine-stop.sh" "$wine_dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT

# ---- Build: product files of the shipped sizes, our installer, the floor, NSIS ----------
say "building the stand-in product ($QS_VEHICLE)"
cmake -S "$root" -B "$build/$QS_VEHICLE_TREE" -DCMAKE_TOOLCHAIN_FILE="$QS_VEHICLE_TOOLCHAIN" >/dev/null
cmake --build "$build/$QS_VEHICLE_TREE" -j "$jobs" --target quillstation_standin >/dev/null
say "writing product files of the shipped sizes to $product"
cmake -S "$root" -B "$build/host" >/dev/null
cmake --build "$build/host" -j "$jobs" --target make_product_files >/dev/null
"$build/host/tools/bench/make_product_files" "$build/$QS_VEHICLE_TREE/product/Quillstation.exe" \
  "$root/product" "$product"
build_ours() {  # tree name, processor: QuillstationSetup.exe with the product files
  say "building QuillstationSetup.exe ($2) with them"
  cmake -S "$root" -B "$bench/$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$2.cmake" \
    -DQS_PRODUCT_DIR="$product" >/dev/null
  cmake --build "$bench/$1" -j "$jobs" --target QuillstationSetup >/dev/null
}
# The shipped 32-bit installer, weighed on every host; the vehicle's build is timed.
build_ours win i686
[ "$QS_VEHICLE" = i686 ] || build_ours "$QS_VEHICLE_TREE" "$QS_VEHICLE"
shipped=$bench/win/QuillstationSetup.exe
ours=$bench/$QS_VEHICLE_TREE/QuillstationSetup.exe
compile_win() {  # output, source, libraries...: a small Windows program of the vehicle
  local out=$1 src=$2
  shift 2
  "$QS_VEHICLE_MINGW-g++-posix" -O2 -s -mwindows -static -o "$out" "$src" "$@"
}
trivial=$bench/trivial.exe
compile_win "$trivial" "$root/tools/bench/trivial_win.cpp"
window_floor=$bench/window_floor.exe
compile_win "$window_floor" "$root/tools/bench/window_floor_win.cpp" -lole32
keeper=$bench/desktop_keeper.exe
compile_win "$keeper" "$root/tools/bench/desktop_keeper_win.cpp"
say "building the NSIS installer of the same files"
nsis=$bench/nsis-setup.exe
nsis_args=()
[ "$QS_VEHICLE" = i686 ] || nsis_args=(-DAMD64)
makensis -V1 -DPRODUCT_DIR="$product" -DOUT_FILE="$nsis" "${nsis_args[@]}" "$root/tools/bench/quillstation.nsi" >/dev/null

# ---- Under Wine ------------------------------------------------------------------------
say "starting Wine in $wine_dir"
rm -rf "$wine_dir"
if [ "$QS_VEHICLE" = i686 ]; then
  "$root/scripts/wine-start.sh" "$wine_dir" win32 wine >/dev/null
else
  "$root/scripts/wine-start.sh" "$wine_dir" win64 wine64 >/dev/null
fi
export QS_WINE_DIR=$wine_dir
. "$root/scripts/wine-env.sh"
# A warm desktop as on Windows (see tools/bench/desktop_keeper_win.cpp); ended by pid at exit.
wine "$keeper" </dev/null >/dev/null 2>&1 &
keeper_pid=$!
folder="$WINEPREFIX/drive_c/Program Files/Velto/Quillstation"
entry_copy='C:\Program Files\Velto\Quillstation\QuillstationSetup.exe'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velto:Quillstation {CE132523-F3BB-4e58}'
# Wine quotes an argument holding a space, and NSIS reads _?= only unquoted: the 8.3 form
# of the install folder, taken once it exists.
short_folder=""

timed() {  # label, program, args...: one run, its wall time in ms appended to $times
  local label=$1; shift
  local start=$EPOCHREALTIME code=0
  wine "$@" </dev/null >/dev/null 2>&1 || code=$?
  local end=$EPOCHREALTIME
  [ "$code" -eq 0 ] || { say "$label ended with exit code $code"; exit 1; }
  awk -v l="$label" -v s="$start" -v e="$end" 'BEGIN { printf "%s %.3f\n", l, (e - s) * 1000 }' >>"$times"
}
expect_installed() {
  [ -f "$folder/Quillstation.exe" ] || { say "$1: the product is not installed"; exit 1; }
  wine reg query "$uninstall_key" >/dev/null 2>&1 || { say "$1: no uninstall entry"; exit 1; }
}
expect_removed() {
  [ ! -e "$folder/Quillstation.exe" ] || { say "$1: the product is still installed"; exit 1; }
  ! wine reg query "$uninstall_key" >/dev/null 2>&1 || { say "$1: the uninstall entry is left"; exit 1; }
}
run_ours() {
  timed ours-install "$ours" -h -i; expect_installed "QuillstationSetup -h -i"
  timed ours-remove "$ours" -h -u; expect_removed "QuillstationSetup -h -u"
  # Removal as the uninstall entry's quiet command starts it: the copy in the folder.
  timed ours-install "$ours" -h -i; expect_installed "QuillstationSetup -h -i"
  # "Ensure this version" where everything is in place: the installed files compared.
  timed ours-ensure "$ours" -h -e; expect_installed "QuillstationSetup -h -e"
  timed ours-remove-entry "$entry_copy" -h -u; expect_removed "the uninstall entry's -h -u"
  [ ! -e "$folder" ] || { say "the uninstall entry's -h -u left the install folder"; exit 1; }
}
run_nsis() {
  # The directory must not exist before /S so each run does the same work as ours.
  timed nsis-install "$nsis" /S; expect_installed "NSIS /S"
  [ -n "$short_folder" ] ||
    short_folder=$(winepath -s 'C:\Program Files\Velto\Quillstation' 2>/dev/null | tr -d '\r')
  timed nsis-remove "$short_folder\\uninstall.exe" /S "_?=$short_folder"
  expect_removed "NSIS uninstall /S"
  # In place, the uninstaller cannot delete itself: clear what it leaves, untimed.
  rm -rf "$folder"
}

say "warm-up run (not counted)"
timed warm "$trivial"; timed warm "$window_floor"; run_ours; run_nsis
: >"$times"
say "measuring $runs runs side by side"
for i in $(seq 1 "$runs"); do
  timed floor "$trivial"
  timed window-floor "$window_floor"
  # Alternate which installer goes first, so neither always follows the other.
  if [ $((i % 2)) -eq 1 ]; then run_ours; run_nsis; else run_nsis; run_ours; fi
done

median() { grep "^$1 " "$times" | awk '{ print $2 }' | sort -n | awk '{ v[NR] = $1 }
  END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
floor=$(median floor)
window_floor=$(median window-floor)
ours_install=$(median ours-install); ours_remove=$(median ours-remove)
ours_remove_entry=$(median ours-remove-entry)
ours_ensure=$(median ours-ensure)
nsis_install=$(median nsis-install); nsis_remove=$(median nsis-remove)

# ---- Where the time goes (--phases) ----------------------------------------------------
phase_table=""
if [ "$phases" -eq 1 ]; then
  say "building the phase-marks installer and timing its phases"
  cmake -S "$root" -B "$bench/phases-$QS_VEHICLE" -DCMAKE_TOOLCHAIN_FILE="$QS_VEHICLE_TOOLCHAIN" \
    -DQS_PRODUCT_DIR="$product" -DQS_PHASE_MARKS=ON >/dev/null
  cmake --build "$bench/phases-$QS_VEHICLE" -j "$jobs" --target QuillstationSetup >/dev/null
  marked=$bench/phases-$QS_VEHICLE/QuillstationSetup.exe
  phase_runs=()
  marked_run() {  # procedure, switches...: one run, its marks kept for the table
    local procedure=$1; shift
    local file=$bench/phases-$QS_VEHICLE/$procedure-${#phase_runs[@]}.txt start end windows_file
    windows_file=$(winepath -w "$file" 2>/dev/null | tr -d '\r')
    start=$EPOCHREALTIME
    QS_PHASES_FILE=$windows_file wine "$marked" "$@" </dev/null >/dev/null 2>&1
    end=$EPOCHREALTIME
    phase_runs+=("$procedure:$start:$end:$file")
  }
  for i in $(seq 1 "$runs"); do
    marked_run install -h -i; expect_installed "the phase-marks -h -i"
    marked_run removal -h -u; expect_removed "the phase-marks -h -u"
  done
  phase_table=$(python3 "$root/tools/bench/phases.py" "${phase_runs[@]}")
fi

# ---- The program's own weight -----------------------------------------------------------
# The picture is embedded as a bitmap resource: the .bmp without its 14-byte file header.
bmp_header=14
installer_size=$(stat -c %s "$shipped")
package_size=$(stat -c %s "$bench/win/resources/package.bin")
picture_size=$(( $(stat -c %s "$root/resources/background.bmp") - bmp_header ))
weight=$((installer_size - package_size - picture_size))
stub=$(stat -c %s "$nsis_stub")

# ---- Extraction (scripts/bench-extract.sh) ---------------------------------------------
extract_rows=""
if [ "$extract" -eq 1 ]; then
  kill "$keeper_pid" 2>/dev/null || true; keeper_pid=""
  "$root/scripts/wine-stop.sh" "$wine_dir" >/dev/null 2>&1 || true
  say "running scripts/bench-extract.sh"
  extract_rows=$(QS_BUILD_DIR="$build" bash "$root/scripts/bench-extract.sh" | awk '$1 == "extract/fast"')
fi

# ---- One table --------------------------------------------------------------------------
row() { printf '%-34s %12s %9s %9s  %s\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() {  # value, limit, strict?
  awk -v v="$1" -v l="$2" -v s="${3:-0}" 'BEGIN { ok = s ? v < l : v <= l; print ok ? "met" : "NOT met" }'
}
echo
row "measure" "median/size" "x floor" "x NSIS" "target"
row "floor: trivial program" "$(printf '%.1f ms' "$floor")" "1.00" "" ""
row "floor: COM and a hidden window" "$(printf '%.1f ms' "$window_floor")" \
  "$(ratio "$window_floor" "$floor")" "" ""
row "install: QuillstationSetup -h -i" "$(printf '%.1f ms' "$ours_install")" \
  "$(ratio "$ours_install" "$floor")" "$(ratio "$ours_install" "$nsis_install")" \
  "<= 1.00 x NSIS: $(verdict "$(ratio "$ours_install" "$nsis_install")" 1)"
row "install: NSIS /S" "$(printf '%.1f ms' "$nsis_install")" "$(ratio "$nsis_install" "$floor")" "1.00" ""
row "removal: QuillstationSetup -h -u" "$(printf '%.1f ms' "$ours_remove")" \
  "$(ratio "$ours_remove" "$floor")" "$(ratio "$ours_remove" "$nsis_remove")" \
  "<= 1.00 x NSIS: $(verdict "$(ratio "$ours_remove" "$nsis_remove")" 1)"
row "removal: uninstall entry's -h -u" "$(printf '%.1f ms' "$ours_remove_entry")" \
  "$(ratio "$ours_remove_entry" "$floor")" "$(ratio "$ours_remove_entry" "$nsis_remove")" \
  "<= 1.30 x -h -u: $(ratio "$ours_remove_entry" "$ours_remove"), $(verdict "$(ratio "$ours_remove_entry" "$ours_remove")" 1.3)"
# The work of -e beside the install's: each time above the floor of COM and a window.
ensure_ratio=$(ratio "$ours_ensure" "$ours_install")
ensure_work=$(awk -v e="$ours_ensure" -v i="$ours_install" -v f="$window_floor" 'BEGIN { printf "%.2f", (e - f) / (i - f) }')
row "ensure: -h -e, all in place" "$(printf '%.1f ms' "$ours_ensure")" "$(ratio "$ours_ensure" "$floor")" "" \
  "<= 0.50 x -h -i: $ensure_ratio, $(verdict "$ensure_ratio" 0.5); above the window floor $ensure_work x the install's"
row "removal: NSIS uninstall /S _?=" "$(printf '%.1f ms' "$nsis_remove")" "$(ratio "$nsis_remove" "$floor")" "1.00" ""
row "own weight: QuillstationSetup" "$weight B" "" "$(ratio "$weight" "$stub")" \
  "< 1.00 x NSIS stub: $(verdict "$(ratio "$weight" "$stub")" 1 1)"
row "own weight: NSIS stub" "$stub B" "" "1.00" ""
if [ -n "$extract_rows" ]; then
  # measure, host MB/s, host ratio, Windows MB/s, ratio (time as a multiple of one MD5 pass)
  read -r _ host_mbps host_ratio win_mbps win_ratio <<<"$extract_rows"
  row "extraction host (x one MD5 pass)" "$host_mbps MB/s" "" "" \
    "$host_ratio; <= 1.5: $(verdict "$host_ratio" 1.5)"
  row "extraction $QS_VEHICLE (x one MD5 pass)" "$win_mbps MB/s" "" "" \
    "$win_ratio; <= 2.0: $(verdict "$win_ratio" 2.0)"
fi
echo
echo "times: $QS_VEHICLE_WHAT ($QS_VEHICLE_WHY), NSIS $([ "$QS_VEHICLE" = i686 ] && echo x86 || echo amd64)-unicode"
echo "medians of $runs runs under Wine $(wine --version 2>/dev/null | tr -d '\r'), warm wineserver and desktop;" \
  "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
echo "own weight: the shipped 32-bit installer $installer_size B - package $package_size B - picture $picture_size B;" \
  "NSIS stub $(basename "$nsis_stub")"
echo "NSIS removal runs in place; the uninstaller and its folder it cannot delete are cleared untimed"
if [ -n "$phase_table" ]; then
  echo
  echo "where the time goes ($QS_VEHICLE_WHAT, the phase-marks build; launch and exit as this script saw them):"
  echo "$phase_table"
fi
