#!/usr/bin/env bash
# Sets up the machine, builds every tree and runs every test:
#   host unit tests, the same under AddressSanitizer/UndefinedBehaviorSanitizer,
#   static checks of the shipped 32-bit installer, the Windows test programs and
#   black-box tests of the installer under Wine, a check that two clean builds give the
#   same installer, and a bounded fuzzing run of the package reader.
# The Windows tests run on the vehicle this host can run (scripts/vehicle.sh): the shipped
# 32-bit build where 32-bit programs run, else the x86-64 build under 64-bit Wine
# (QS_VEHICLE=x86_64 asks for that on any host). Run as root on Debian 12.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
export QS_BUILD_DIR=$build
jobs=$(nproc)
. "$root/scripts/vehicle.sh"
qs_choose_vehicle "$build"

# Each stage prints its name, and its time goes to the summary.
summary=()
stage_name=""
stage_start=0
stage() {
  stage_end
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name"
}
stage_end() {
  [ -n "$stage_name" ] || return 0
  summary+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
  stage_name=""
}

stage "set-up"
bash "$root/scripts/setup.sh"
echo "vehicle: $QS_VEHICLE_WHY: testing $QS_VEHICLE_WHAT"

stage "build: host, the shipped 32-bit installer and the x86-64 tree"
bash "$root/scripts/build.sh" --with-x86-64

stage "host unit tests"
ctest --test-dir "$build/host" --output-on-failure -j "$jobs"

stage "host unit tests with sanitizers"
cmake -S "$root" -B "$build/sanitize" -DQS_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/sanitize" -j "$jobs" --target host_tests
ctest --test-dir "$build/sanitize" --output-on-failure -j "$jobs"

stage "static checks of the shipped 32-bit installer (PE shape, imports, package)"
ctest --test-dir "$build/win" --output-on-failure -L 'build|package'

if [ "$QS_VEHICLE" = i686 ]; then
  stage "Windows tests under Wine: the 32-bit build, in a 32-bit and a WoW64 prefix"
  ctest --test-dir "$build/win" --output-on-failure
  echo "not run: the x86-64 build's Windows tests (built only; QS_VEHICLE=x86_64 runs them)"
else
  stage "Windows tests under 64-bit Wine: the x86-64 build, in a 64-bit prefix"
  echo "not run: the 32-bit build's Windows tests and its WoW64 prefix ($QS_VEHICLE_WHY);" \
    "the shipped installer's resources are read as data (win.resources_shipped)"
  ctest --test-dir "$build/win64" --output-on-failure
fi

stage "reproducible build: two clean builds give the same installer"
bash "$root/scripts/check-reproducible.sh" --jobs "$jobs"

stage "fuzzing the package reader"
bash "$root/scripts/fuzz.sh" "${QS_FUZZ_SECONDS:-60}"
stage_end

echo "== times"
printf '%s\n' "${summary[@]}"
if [ "$QS_VEHICLE" = i686 ]; then
  echo "== all tests passed: the shipped 32-bit installer proved under Wine (32-bit and WoW64 prefixes);" \
    "the x86-64 build compiled"
else
  echo "== all tests passed: the x86-64 build proved under 64-bit Wine; the shipped 32-bit installer" \
    "checked statically ($QS_VEHICLE_WHY)"
fi
