#!/usr/bin/env bash
# Configures and builds both trees: build/host (native) and build/win (the installer).
#   build.sh [--product-dir DIR] [--sanitize] [--installer-url URL]
#            [--sign CERT.pfx [--timestamp TSA_URL]] [--only-installer] [--with-x86-64]
# --product-dir packages the three product files found in DIR instead of the stand-ins.
# --only-installer builds the installer and what it is made with, nothing else: no host
#   tree, no test programs.
# --with-x86-64 also builds build/win64: the same sources for x86-64, the test vehicle of
#   hosts that run no 32-bit programs (scripts/vehicle.sh), with the same --product-dir.
# --installer-url is the address the installer will be downloaded from, for the winget
#   manifest set written to build/win/winget/ (default: the vendor's download page).
# --sign also signs the installer with Authenticode (scripts/sign.sh): the password of
#   CERT.pfx comes from the environment variable QS_SIGN_PASSWORD. The signed installer
#   and its detached signature go to build/win/signed/; build/win/QuillstationSetup.exe
#   stays unsigned (the reproducible artefact), and the manifest names the signed one.
#   --timestamp adds an RFC 3161 timestamp from that authority.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
product_dir=""
sanitize=OFF
installer_url=""
cert=""
timestamp=""
only_installer=0
with_x86_64=0
while [ $# -gt 0 ]; do
  case "$1" in
    --product-dir) product_dir=$(realpath "$2"); shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    --installer-url) installer_url=$2; shift 2 ;;
    --sign) cert=$(realpath -m "$2"); shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --only-installer) only_installer=1; shift ;;
    --with-x86-64) with_x86_64=1; shift ;;
    *) echo "build.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -z "$timestamp" ] || [ -n "$cert" ] || { echo "build.sh: --timestamp goes with --sign" >&2; exit 2; }
jobs=$(nproc)

targets=()
[ "$only_installer" -eq 0 ] || targets=(--target QuillstationSetup)

if [ "$only_installer" -eq 0 ]; then
  cmake -S "$root" -B "$build/host" -DQS_SANITIZE=$sanitize >/dev/null
  cmake --build "$build/host" -j "$jobs"
fi

cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DQS_PRODUCT_DIR="$product_dir" -DQS_INSTALLER_URL="$installer_url" >/dev/null
# A signed installer of an earlier build never stands beside this one.
rm -rf "$build/win/signed"
cmake --build "$build/win" -j "$jobs" "${targets[@]}"
installer=$build/win/QuillstationSetup.exe
echo "build: installer at $installer"

if [ "$with_x86_64" -eq 1 ]; then
  # Its tests also read the shipped installer's resources as data (win.resources_shipped).
  cmake -S "$root" -B "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DQS_PRODUCT_DIR="$product_dir" -DQS_INSTALLER_URL="$installer_url" \
    -DQS_SHIPPED_INSTALLER="$installer" >/dev/null
  cmake --build "$build/win64" -j "$jobs" "${targets[@]}"
  echo "build: x86-64 test vehicle at $build/win64/QuillstationSetup.exe"
fi
release=$build/win/host-tools/tools/qsrelease

# The winget manifest set names the file users get: the signed one when signing.
final=$installer
if [ -n "$cert" ]; then
  mkdir -p "$build/win/signed"
  timestamp_args=()
  [ -z "$timestamp" ] || timestamp_args=(--timestamp "$timestamp")
  bash "$root/scripts/sign.sh" --cert "$cert" --in "$installer" --out "$build/win/signed/QuillstationSetup.exe" \
    --name "$("$release" fact product-name)" --url "$("$release" fact web-address)" "${timestamp_args[@]}" ||
    { rm -rf "$build/win/signed"; exit 1; }
  final=$build/win/signed/QuillstationSetup.exe
fi
cmake -DTOOL="$release" -DINSTALLER="$final" -DOUT="$build/win/winget" -DURL="$installer_url" \
  -P "$root/tools/release/winget.cmake"
echo "build: winget manifests for $final in $build/win/winget"
