# Shared pieces of the black-box tests: argument parsing, running Windows programs
# under the test run's Wine prefix, Windows paths of Unix files, and checks.
# Sourced by tests/blackbox/<name>.sh, which ctest calls with
#   --installer EXE --helpers DIR --wine-dir DIR --source DIR
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --installer) INSTALLER=$(realpath "$2"); shift 2 ;;
    --helpers) HELPERS=$(realpath "$2"); shift 2 ;;
    --wine-dir) export QS_WINE_DIR=$(realpath -m "$2"); shift 2 ;;
    --source) SOURCE=$(realpath "$2"); shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
: "${INSTALLER:?}" "${HELPERS:?}" "${QS_WINE_DIR:?}" "${SOURCE:?}"
[ -f "$QS_WINE_DIR/arch" ] && export QS_WINE_ARCH=$(cat "$QS_WINE_DIR/arch")
. "$SOURCE/scripts/wine-env.sh"

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/qs-blackbox.XXXXXX")
BACKGROUND_PIDS=()
cleanup() {
  unrecord_browser
  for pid in "${BACKGROUND_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$SCRATCH"
}
trap cleanup EXIT

FAILURES=0
CHECKS=0

# The Windows path of a Unix path (Wine maps / to drive Z:).
winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

# Runs a Windows program in the foreground; prints nothing; returns its exit code.
run_wine() { wine "$@" </dev/null >>"$SCRATCH/wine.log" 2>&1; }

# Starts a Windows program in the background and records its pid.
start_wine() { wine "$@" </dev/null >>"$SCRATCH/wine.log" 2>&1 & BACKGROUND_PIDS+=($!); LAST_PID=$!; }

wait_for_line() {  # exact line, file, [tenths of a second]: the browser runs on its own
  local n=${3:-300}
  for _ in $(seq 1 "$n"); do grep -qxF "$1" "$2" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

wait_for_file() {  # path [tenths of a second]
  local n=${2:-600}
  for _ in $(seq 1 "$n"); do [ -e "$1" ] && return 0; sleep 0.1; done
  return 1
}

check() {  # description, then a command that must succeed
  local what=$1; shift
  CHECKS=$((CHECKS + 1))
  if "$@"; then
    echo "ok   - $what"
  else
    echo "FAIL - $what"
    FAILURES=$((FAILURES + 1))
  fi
}

check_eq() {  # description, expected, actual
  CHECKS=$((CHECKS + 1))
  if [ "$2" = "$3" ]; then
    echo "ok   - $1"
  else
    echo "FAIL - $1: expected [$2], got [$3]"
    FAILURES=$((FAILURES + 1))
  fi
}

finish() {
  echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
  [ "$FAILURES" -eq 0 ]
}

# ---- The installer window (X11 side of Wine's windows) ----

INSTALLER_TITLE='^Velto Quillstation Installation \(Version 1\.0\.7\.6\)$'

# Prints the X window of the first window whose title matches a regular expression,
# waiting up to 60 s; prints nothing when none appears.
find_window() {
  local wid
  for _ in $(seq 1 300); do
    wid=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$wid" ] && { echo "$wid"; return 0; }
    sleep 0.2
  done
  return 1
}

window_gone() {  # title regex; waits up to 30 s
  for _ in $(seq 1 150); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

click_at() { xdotool mousemove --window "$1" "$2" "$3" click 1 >/dev/null 2>&1; }
press_key() { xdotool key --window "$1" "$2" >/dev/null 2>&1; }

# Colour of one pixel of a PNG as RRGGBB.
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c1-6; }

# Exit code of a background program started with start_wine, waiting up to 120 s.
wait_exit() {
  local pid=$1
  for _ in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
    sleep 0.2
  done
  return 124
}

# Wine's browser becomes a recorder: URLs opened through the shell are appended to
# $SCRATCH/urls.txt. The setting is removed again when the test ends.
record_browser() {
  cat > "$SCRATCH/browser.sh" <<EOS
#!/bin/sh
printf '%s\n' "\$1" >> "$SCRATCH/urls.txt"
EOS
  chmod +x "$SCRATCH/browser.sh"
  wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$SCRATCH/browser.sh" /f \
    </dev/null >/dev/null 2>&1
  BROWSER_RECORDED=1
}
unrecord_browser() {
  [ -n "${BROWSER_RECORDED:-}" ] || return 0
  wine reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f </dev/null >/dev/null 2>&1
}

PRODUCT_DIR_UNIX="$WINEPREFIX/drive_c/Program Files/Velto/Quillstation"
product_installed() { [ -f "$PRODUCT_DIR_UNIX/Quillstation.exe" ]; }
product_absent() { [ ! -e "$PRODUCT_DIR_UNIX" ]; }
# Removes the product silently, whatever state the prefix is in.
ensure_removed() { run_wine "$INSTALLER" -h -u; }
