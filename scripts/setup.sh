#!/usr/bin/env bash
# Installs every package the build and the tests need, from Debian's archive.
# Safe to run again: packages already present are left alone.
# A mirror in the middle of a sync does not stop it: the package index is fetched again a
# few times and a partly stale index is used as far as it goes; an install that fails on
# held or broken candidates (one suite newer than another) is tried again with the
# release's own suite and its security suite preferred (never a version below the
# security suite's) before it gives up, naming the packages.
# Wine's 32-bit loader (wine32:i386, with the i386 architecture) is installed only where
# this host runs 32-bit programs (scripts/vehicle.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  googletest libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  wine wine64
  xvfb xauth xdotool x11-utils imagemagick
  fonts-liberation
  nsis
  osslsigncode openssl python3-yaml
  softhsm2 libengine-pkcs11-openssl
  qemu-user
)

export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
prefs=$(mktemp)
trap 'rm -f "$log" "$prefs"' EXIT
# apt's errors and warnings from the log, indented, to stderr; finding none is no failure.
show_errors() { { grep -E "$1" "$log" || true; } | head -n "$2" | sed 's/^/  /' >&2; }
. "$root/scripts/vehicle.sh"
[ -n "${QS_HOST_RUNS_32BIT:-}" ] || QS_HOST_RUNS_32BIT=$(qs_probe_32bit "${QS_BUILD_DIR:-$root/build}")
need_update=0
if [ "$QS_HOST_RUNS_32BIT" = yes ]; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
  fi
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing+=("$p") ;;
  esac
done

if [ ${#missing[@]} -eq 0 ] && [ "$need_update" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

# The package index, fetched up to three times. A list that still fails (a mirror that is
# syncing) leaves the older lists in place; the install below finds out whether they do.
update_index() {
  local attempt
  for attempt in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then return 0; fi
    echo "setup: apt-get update failed (attempt $attempt of 3):" >&2
    show_errors '^(E|W):' 5
    [ "$attempt" -eq 3 ] || sleep $((attempt * 5))
  done
  echo "setup: carrying on with the package index as far as it was fetched" >&2
}

install_packages() {  # extra apt-get options...
  apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$log" 2>&1
}

echo "setup: installing ${missing[*]}"
update_index
if ! install_packages; then
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  echo "setup: the install failed:" >&2
  show_errors '^(E|W):| : Depends:' 8
  if [ -n "$suite" ]; then
    # The release's suite and its security suite at one priority above the others: of the
    # two, the higher version wins, so no package falls below its security fix.
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 990\n\n' "$suite" "$suite-security" >"$prefs"
    echo "setup: trying again with the candidates of the release's own suite ($suite, $suite-security)" >&2
    if install_packages -o Dir::Etc::Preferences="$prefs"; then
      echo "setup: done (from $suite)"
      exit 0
    fi
    show_errors '^(E|W):| : Depends:' 8
  fi
  echo "setup: could not install: ${missing[*]}" >&2
  echo "setup: the package mirror may be in the middle of a sync; run this again in a few minutes" >&2
  exit 1
fi
echo "setup: done"
