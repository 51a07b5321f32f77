#!/usr/bin/env bash
# Sets up the machine, builds both trees and runs every test:
#   host unit tests, the same under AddressSanitizer/UndefinedBehaviorSanitizer,
#   Windows test programs and black-box tests of the installer under Wine,
#   a check that two clean builds give the same installer,
#   and a bounded fuzzing run of the package reader.
# Run as root on Debian 12 (the set-up installs packages).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
export QS_BUILD_DIR=$build
jobs=$(nproc)

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

echo "== host unit tests"
ctest --test-dir "$build/host" --output-on-failure -j "$jobs"

echo "== host unit tests with sanitizers"
cmake -S "$root" -B "$build/sanitize" -DQS_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/sanitize" -j "$jobs" --target host_tests
ctest --test-dir "$build/sanitize" --output-on-failure -j "$jobs"

echo "== Windows tests under Wine"
ctest --test-dir "$build/win" --output-on-failure

echo "== reproducible build: two clean builds give the same installer"
bash "$root/scripts/check-reproducible.sh" --jobs "$jobs"

if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== fuzzing the package reader"
  bash "$root/scripts/fuzz.sh" "${QS_FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
