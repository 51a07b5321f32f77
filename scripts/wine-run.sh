#!/usr/bin/env bash
# Runs a Windows program in the private Wine prefix of a state folder.
#   wine-run.sh --dir STATE_DIR PROGRAM.exe [ARGS...]
# The exit code is the program's, modulo 256.
set -uo pipefail
if [ "${1:-}" = "--dir" ]; then
  export QS_WINE_DIR=$(realpath -m "$2"); shift 2
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
exec wine "$@"
