#!/usr/bin/env bash
# Ends the wineserver of a prefix made by wine-start.sh and its Xvfb (by recorded pid).
#   wine-stop.sh STATE_DIR
set -uo pipefail
export QS_WINE_DIR=$(realpath -m "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
if [ -d "$WINEPREFIX" ]; then
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
fi
if [ -s "$QS_WINE_DIR/xvfb.pid" ]; then
  pid=$(cat "$QS_WINE_DIR/xvfb.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$QS_WINE_DIR/xvfb.pid" "$QS_WINE_DIR/display"
fi
exit 0
