#!/usr/bin/env bash
# Configures and builds both trees: build/host (native) and build/win (the installer).
#   build.sh [--product-dir DIR] [--sanitize]
# --product-dir packages the three product files found in DIR instead of the stand-ins.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
product_dir=""
sanitize=OFF
while [ $# -gt 0 ]; do
  case "$1" in
    --product-dir) product_dir=$(realpath "$2"); shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    *) echo "build.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
jobs=$(nproc)

cmake -S "$root" -B "$build/host" -DQS_SANITIZE=$sanitize >/dev/null
cmake --build "$build/host" -j "$jobs"

cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DQS_PRODUCT_DIR="$product_dir" >/dev/null
cmake --build "$build/win" -j "$jobs"
echo "build: installer at $build/win/QuillstationSetup.exe"
