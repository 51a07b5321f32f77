#!/usr/bin/env bash
# Installs every package the build and the tests need, from Debian's archive.
# Safe to run again: packages already present are left alone.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  googletest libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  wine wine32:i386 wine64
  xvfb xauth xdotool x11-utils imagemagick
  fonts-liberation
  nsis
  osslsigncode openssl python3-yaml
)

export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  name=${p%%:*}
  arch=${p#*:}
  [ "$arch" = "$p" ] && arch=""
  if [ -n "$arch" ]; then
    status=$(dpkg-query -W -f='${Status}' "$name:$arch" 2>/dev/null || true)
  else
    status=$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)
  fi
  case "$status" in
    *"install ok installed"*) ;;
    *) missing+=("$p") ;;
  esac
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
