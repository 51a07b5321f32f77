#!/usr/bin/env bash
# Sets up the machine, builds the installer and runs it under Wine.
# With a display ($DISPLAY set): the installer's window, in a Wine prefix under build/.
# Without one: a hidden unattended install and removal in a throw-away Wine prefix,
# reporting what was installed and where.
# It runs the build this host can run (scripts/vehicle.sh): the shipped 32-bit installer
# in a 32-bit prefix, or, where no 32-bit program runs, the x86-64 build of the same
# sources in a 64-bit prefix under 64-bit Wine (installing to the native Program Files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QS_BUILD_DIR:-$root/build}
export QS_BUILD_DIR=$build
. "$root/scripts/vehicle.sh"
qs_choose_vehicle "$build"

bash "$root/scripts/setup.sh"
echo "run: $QS_VEHICLE_WHY: running $QS_VEHICLE_WHAT"
if [ "$QS_VEHICLE" = i686 ]; then
  bash "$root/scripts/build.sh" --only-installer
  prefix_args=(win32 wine)
else
  bash "$root/scripts/build.sh" --only-installer --with-x86-64
  prefix_args=(win64 wine64)
fi
installer=$build/$QS_VEHICLE_TREE/QuillstationSetup.exe

if [ -n "${DISPLAY:-}" ]; then
  state=$build/run-wine-$QS_VEHICLE
  "$root/scripts/wine-start.sh" --use-display "$state" "${prefix_args[@]}"
  echo "run: starting the installer window (exit code follows when it closes)"
  set +e
  "$root/scripts/wine-run.sh" --dir "$state" "$installer" "$@"
  code=$?
  set -e
  echo "run: installer ended with exit code $code"
  "$root/scripts/wine-stop.sh" "$state"
  exit 0
fi

state=$(mktemp -d "${TMPDIR:-/tmp}/quillstation-run.XXXXXX")
trap '"$root/scripts/wine-stop.sh" "$state"; rm -rf "$state"' EXIT
echo "run: no display; hidden unattended install and removal in a throw-away prefix $state/prefix"
"$root/scripts/wine-start.sh" "$state" "${prefix_args[@]}"
export QS_WINE_DIR=$state
. "$root/scripts/wine-env.sh"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velto:Quillstation {CE132523-F3BB-4e58}'
folder="$WINEPREFIX/drive_c/Program Files/Velto/Quillstation"

show_state() {
  echo "  install folder C:\\Program Files\\Velto\\Quillstation:"
  if [ -d "$folder" ]; then (cd "$folder" && ls -l | sed 's/^/    /'); else echo "    (absent)"; fi
  echo "  shortcuts:"
  found=$(find "$WINEPREFIX/drive_c" "$HOME" -iname '*.lnk' \( -ipath '*Velto*' -o -iname 'Quill Station.lnk' \) 2>/dev/null | sed "s|$WINEPREFIX/drive_c|C:|; s|^|    |")
  echo "${found:-    (none)}"
  echo "  uninstall entry:"
  entry=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | grep -v -e '^$' -e '^reg: ' || true)
  echo "${entry:-(absent)}" | sed 's/^/    /'
}

set +e
wine "$installer" -h -i </dev/null >/dev/null 2>&1
code=$?
set -e
echo "run: QuillstationSetup.exe -h -i ended with exit code $code"
show_state
set +e
wine "$installer" -h -u </dev/null >/dev/null 2>&1
code=$?
set -e
echo "run: QuillstationSetup.exe -h -u ended with exit code $code"
show_state
