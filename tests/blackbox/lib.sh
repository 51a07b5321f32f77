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
