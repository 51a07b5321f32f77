#!/usr/bin/env bash
# Configures and builds both trees: build/host (native) and build/win (the installer).
#   build.sh [--product-dir DIR] [--version VERSION] [--sanitize] [--installer-url URL]
#            [--sign CERT.pfx | --sign-pkcs11 MODULE.so --key pkcs11:URI --cert CERT.pem]
#            [--timestamp TSA_URL] [--only-installer] [--with-x86-64]
# --product-dir packages the three product files found in DIR instead of the stand-ins.
# --version gives the installer its version (four dotted numbers up to 65535) in every
#   tree; without it the build has the one of setup/product.h. With --product-dir the
#   build first checks the record of released product files, product/releases.txt (or
#   QS_RELEASES_FILE), with scripts/release-record.sh: a version recorded with other files
#   or below the newest recorded one is refused before anything is built ("raise
#   --version above ..."), and a new version is recorded once its installer is built.
# --only-installer builds the installer and what it is made with, nothing else: no host
#   tree, no test programs.
# --with-x86-64 also builds build/win64: the same sources for x86-64, the test vehicle of
#   hosts that run no 32-bit programs (scripts/vehicle.sh), with the same --product-dir
#   and --version.
# --installer-url is the https:// address the installer will be downloaded from, for the
#   winget manifest set written to build/win/winget/. Without it the manifests name a
#   placeholder address on the vendor's host and are for local use only (qsrelease warns).
# --sign also signs the installer with Authenticode (scripts/sign.sh): the password of
#   CERT.pfx comes from the environment variable QS_SIGN_PASSWORD, which only sign.sh
#   gets. The signed installer, its detached signature and a winget manifest set naming
#   the signed file go to build/win/signed/ (signed/winget/); build/win/QuillstationSetup.exe
#   stays unsigned (the reproducible artefact) with its own set in build/win/winget/. A
#   signing that fails leaves no build/win/signed/, and the next link of the installer
#   removes it. --timestamp (or QS_SIGN_TIMESTAMP_URL) adds an RFC 3161 timestamp from
#   that authority.
# --sign-pkcs11 signs the same way with a key held on a token or HSM, through its PKCS#11
#   module: --key is the key's PKCS#11 URI, --cert the certificate issued for it, and the
#   token's PIN comes from QS_SIGN_PIN, which only sign.sh gets.
# A tree that is configured already keeps its toolchain (QS_BUILD_DIR names another build
# folder than build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
product_dir=""
version=""
sanitize=OFF
installer_url=""
cert=""
pkcs11_module=""
pkcs11_key=""
pkcs11_cert=""
timestamp=""
only_installer=0
with_x86_64=0
while [ $# -gt 0 ]; do
  case "$1" in
    --product-dir) product_dir=$(realpath "$2"); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    --installer-url) installer_url=$2; shift 2 ;;
    --sign) cert=$(realpath -m "$2"); shift 2 ;;
    --sign-pkcs11) pkcs11_module=$(realpath -m "$2"); shift 2 ;;
    --key) pkcs11_key=$2; shift 2 ;;
    --cert) pkcs11_cert=$(realpath -m "$2"); shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --only-installer) only_installer=1; shift ;;
    --with-x86-64) with_x86_64=1; shift ;;
    *) echo "build.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -n "$pkcs11_module" ]; then
  [ -z "$cert" ] || { echo "build.sh: --sign and --sign-pkcs11 exclude each other" >&2; exit 2; }
  [ -n "$pkcs11_key" ] && [ -n "$pkcs11_cert" ] ||
    { echo "build.sh: --sign-pkcs11 needs --key pkcs11:URI and --cert CERT.pem" >&2; exit 2; }
  cert=$pkcs11_cert
else
  [ -z "$pkcs11_key$pkcs11_cert" ] || { echo "build.sh: --key and --cert go with --sign-pkcs11" >&2; exit 2; }
fi
[ -z "$timestamp" ] || [ -n "$cert" ] || { echo "build.sh: --timestamp goes with --sign or --sign-pkcs11" >&2; exit 2; }
# The certificate's password and the token's PIN are for sign.sh alone, not for every
# program the build runs.
sign_password=${QS_SIGN_PASSWORD-}
sign_pin=${QS_SIGN_PIN-}
unset QS_SIGN_PASSWORD QS_SIGN_PIN
jobs=$(nproc)
releases=${QS_RELEASES_FILE:-$root/product/releases.txt}
# One version never names two sets of product files: checked before anything is built.
[ -z "$product_dir" ] || bash "$root/scripts/release-record.sh" check "$releases" "$version" "$product_dir"

# A Windows tree gets its processor's toolchain when it is first configured, and keeps it.
configure_windows() {  # tree, processor (i686 or x86_64), cmake options...
  local tree=$1 toolchain=()
  [ -f "$tree/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$2.cmake")
  shift 2
  cmake -S "$root" -B "$tree" "${toolchain[@]}" "$@" >/dev/null
}

targets=()
[ "$only_installer" -eq 0 ] || targets=(--target QuillstationSetup)

if [ "$only_installer" -eq 0 ]; then
  cmake -S "$root" -B "$build/host" -DQS_SANITIZE=$sanitize -DQS_RELEASE_VERSION="$version" >/dev/null
  cmake --build "$build/host" -j "$jobs"
fi

configure_windows "$build/win" i686 -DQS_PRODUCT_DIR="$product_dir" -DQS_INSTALLER_URL="$installer_url" \
  -DQS_RELEASE_VERSION="$version"
# A signed installer of an earlier build never stands beside this one.
rm -rf "$build/win/signed"
cmake --build "$build/win" -j "$jobs" "${targets[@]}"
installer=$build/win/QuillstationSetup.exe
echo "build: installer at $installer"
[ -z "$product_dir" ] || bash "$root/scripts/release-record.sh" add "$releases" "$version" "$product_dir"

if [ "$with_x86_64" -eq 1 ]; then
  # Its tests also read the shipped installer's resources as data (win.resources_shipped).
  configure_windows "$build/win64" x86_64 -DQS_PRODUCT_DIR="$product_dir" -DQS_INSTALLER_URL="$installer_url" \
    -DQS_RELEASE_VERSION="$version" \
    -DQS_SHIPPED_INSTALLER="$installer"
  cmake --build "$build/win64" -j "$jobs" "${targets[@]}"
  echo "build: x86-64 test vehicle at $build/win64/QuillstationSetup.exe"
fi
release=$build/win/host-tools/tools/qsrelease
manifests() {  # installer, folder: the winget manifest set of that file
  cmake -DTOOL="$release" -DINSTALLER="$1" -DOUT="$2" -DURL="$installer_url" -P "$root/tools/release/winget.cmake"
}

# The link wrote winget/; written again here for a tree that had nothing to relink but was
# given another address.
manifests "$installer" "$build/win/winget"
echo "build: winget manifests for $installer in $build/win/winget"

if [ -n "$cert" ]; then
  signed=$build/win/signed
  mkdir -p "$signed"
  timestamp_args=()
  [ -z "$timestamp" ] || timestamp_args=(--timestamp "$timestamp")
  key_args=()
  [ -z "$pkcs11_module" ] || key_args=(--pkcs11-module "$pkcs11_module" --key "$pkcs11_key")
  # Whatever fails, nothing is left that names a file that is not there.
  QS_SIGN_PASSWORD=$sign_password QS_SIGN_PIN=$sign_pin bash "$root/scripts/sign.sh" --cert "$cert" \
    "${key_args[@]}" --in "$installer" \
    --out "$signed/QuillstationSetup.exe" --name "$("$release" fact product-name)" \
    --url "$("$release" fact web-address)" "${timestamp_args[@]}" &&
    manifests "$signed/QuillstationSetup.exe" "$signed/winget" ||
    { rm -rf "$signed"; exit 1; }
  echo "build: signed installer, its detached signature and its winget manifests in $signed"
fi
