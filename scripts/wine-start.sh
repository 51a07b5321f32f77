#!/usr/bin/env bash
# Starts a private Xvfb display and initialises a private Wine prefix.
#   wine-start.sh [--use-display] STATE_DIR [win32|win64] [wine|wine64]
# The third argument picks the loader: Debian's wine script (default), or Wine's 64-bit
# loader alone (a win64 prefix on a host that runs no 32-bit programs; wine-env.sh).
# Records the Xvfb pid and display number in STATE_DIR; wine-stop.sh undoes it.
# --use-display runs on the caller's $DISPLAY instead of a private Xvfb.
set -euo pipefail
use_display=0
if [ "${1:-}" = "--use-display" ]; then use_display=1; shift; fi
export QS_WINE_DIR=$(realpath -m "$1")
export QS_WINE_ARCH=${2:-win32}
export QS_WINE_LOADER=${3:-wine}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$QS_WINE_DIR/home/Desktop" "$QS_WINE_DIR/home/Documents" "$QS_WINE_DIR/run"
chmod 700 "$QS_WINE_DIR/run"
echo "$QS_WINE_ARCH" > "$QS_WINE_DIR/arch"
echo "$QS_WINE_LOADER" > "$QS_WINE_DIR/loader"

if [ "$use_display" -eq 1 ]; then
  echo "$DISPLAY" > "$QS_WINE_DIR/display"
elif [ -s "$QS_WINE_DIR/xvfb.pid" ] && kill -0 "$(cat "$QS_WINE_DIR/xvfb.pid")" 2>/dev/null; then
  :
else
  rm -f "$QS_WINE_DIR/display"
  # -displayfd picks a free display number and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$QS_WINE_DIR/display" >"$QS_WINE_DIR/xvfb.log" 2>&1 &
  echo $! > "$QS_WINE_DIR/xvfb.pid"
  for _ in $(seq 1 100); do
    [ -s "$QS_WINE_DIR/display" ] && break
    sleep 0.1
  done
  [ -s "$QS_WINE_DIR/display" ] || { echo "wine-start: Xvfb did not start" >&2; cat "$QS_WINE_DIR/xvfb.log" >&2; exit 1; }
fi

. "$here/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i </dev/null >"$QS_WINE_DIR/wineboot.log" 2>&1 || { cat "$QS_WINE_DIR/wineboot.log" >&2; exit 1; }
  # The first boot's own session (services, desktop) outlives wineboot; let it end, so
  # that the tests start from a settled prefix and not beside a session still going down.
  wineserver -w </dev/null >>"$QS_WINE_DIR/wineboot.log" 2>&1 || true
fi
# Keep one wineserver for the whole run; wine-stop.sh ends it.
# Background processes of Wine must not hold the caller's output open (ctest waits for
# it), so everything that may outlive this script writes to log files.
wineserver -p </dev/null >>"$QS_WINE_DIR/wineserver.log" 2>&1 || true
wine cmd /c exit 0 </dev/null >>"$QS_WINE_DIR/wineserver.log" 2>&1 || true
echo "wine-start: prefix $WINEPREFIX ($QS_WINE_ARCH, $QS_WINE_LOADER) on display $DISPLAY"
