# Shared pieces of the black-box tests: argument parsing, running Windows programs
# under the test run's Wine prefix, Windows paths of Unix files, and checks.
# Sourced by tests/blackbox/<name>.sh, which ctest calls with
#   --installer EXE --bits 32|64 --helpers DIR --wine-dir DIR --source DIR
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --installer) INSTALLER=$(realpath "$2"); shift 2 ;;
    --bits) INSTALLER_BITS=$2; shift 2 ;;
    --helpers) HELPERS=$(realpath "$2"); shift 2 ;;
    --wine-dir) export QS_WINE_DIR=$(realpath -m "$2"); shift 2 ;;
    --source) SOURCE=$(realpath "$2"); shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
: "${INSTALLER:?}" "${INSTALLER_BITS:?}" "${HELPERS:?}" "${QS_WINE_DIR:?}" "${SOURCE:?}"
. "$SOURCE/scripts/wine-env.sh"

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/qs-blackbox.XXXXXX")
BACKGROUND_PIDS=()
cleanup() {
  unrecord_browser
  release_session
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

# Facts of the code, as the release tool built beside the installer prints them: the
# installer's version, and what an install folder holds (the packaged files and the
# installer's copy, one line, in ls's order).
RELEASE_TOOL=$(dirname "$INSTALLER")/host-tools/tools/qsrelease
INSTALLER_VERSION=$("$RELEASE_TOOL" fact version)
INSTALLED_FILES=$({ "$RELEASE_TOOL" fact packaged-files; echo QuillstationSetup.exe; } | LC_ALL=C sort | paste -sd ' ')
INSTALLER_TITLE="^Velto Quillstation Installation \\(Version ${INSTALLER_VERSION//./\\.}\\)\$"

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

# ---- Where the installer puts things. A 32-bit installer: in a win32 prefix the one
# program-files folder and registry view; under WoW64 in a win64 prefix (QS_WINE_ARCH)
# "Program Files (x86)" and the 32-bit registry view. The x86-64 build in a win64 prefix:
# the native "Program Files" and the 64-bit view. OTHER_PROGRAM_FILES_UNIX is where this
# installer must put nothing (empty in a win32 prefix, which has one folder).
PROGRAM_FILES_UNIX="$WINEPREFIX/drive_c/Program Files"
PROGRAM_FILES_WIN='C:\Program Files'
OTHER_PROGRAM_FILES_UNIX=""
if [ "$QS_WINE_ARCH" = win64 ]; then
  if [ "$INSTALLER_BITS" = 32 ]; then
    PROGRAM_FILES_UNIX="$WINEPREFIX/drive_c/Program Files (x86)"
    PROGRAM_FILES_WIN='C:\Program Files (x86)'
    OTHER_PROGRAM_FILES_UNIX="$WINEPREFIX/drive_c/Program Files"
  else
    OTHER_PROGRAM_FILES_UNIX="$WINEPREFIX/drive_c/Program Files (x86)"
  fi
fi
PRODUCT_DIR_UNIX="$PROGRAM_FILES_UNIX/Velto/Quillstation"
PRODUCT_DIR_WIN="$PROGRAM_FILES_WIN\Velto\Quillstation"
product_installed() { [ -f "$PRODUCT_DIR_UNIX/Quillstation.exe" ]; }
product_absent() { [ ! -e "$PRODUCT_DIR_UNIX" ]; }

# The uninstall entry, and whether it exists in one registry view (32 or 64). A win32
# prefix has one view only: there both names mean it. INSTALLER_VIEW is the view the
# installer writes (its own bitness), OTHER_VIEW the one it must leave alone.
UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velto:Quillstation {CE132523-F3BB-4e58}'
INSTALLER_VIEW=$INSTALLER_BITS
OTHER_VIEW=$((96 - INSTALLER_BITS))
reg_view_flag() { [ "$QS_WINE_ARCH" = win64 ] && printf '/reg:%s' "$1"; }
uninstall_entry_in_view() {  # 32|64
  wine reg query "$UNINSTALL_KEY" $(reg_view_flag "$1") </dev/null >/dev/null 2>&1
}
uninstall_entry_not_in_view() { ! uninstall_entry_in_view "$1"; }
uninstall_entry_absent() { ! uninstall_entry_in_view 32 && ! uninstall_entry_in_view 64; }
# One value of the uninstall entry as the installer's view holds it.
uninstall_entry_value() {  # value name
  wine reg query "$UNINSTALL_KEY" /v "$1" $(reg_view_flag "$INSTALLER_VIEW") </dev/null 2>/dev/null |
    tr -d '\r' | sed -n -E "s/^ +$1 +REG_[A-Z_]+ +//p"
}

# Wine runs its session's system processes (services, the desktop) while any program of
# the prefix runs, and ends them about a second after the last one ends; each new session
# rewrites the display adapter's and the services' state in the registry. hold_session
# keeps one session up, so that registry snapshots taken at different times compare: a
# command shell reads a pipe whose only writer is a sleep of ours (only that process holds
# the write end, so no Wine process inherits it); release_session ends the writer, and
# the shell ends at the end of its input.
hold_session() {
  [ -z "${SESSION_PID:-}" ] || return 0
  mkfifo "$SCRATCH/session.fifo"
  wine cmd <"$SCRATCH/session.fifo" >>"$SCRATCH/wine.log" 2>&1 &
  SESSION_PID=$!
  sleep 86400 >"$SCRATCH/session.fifo" &
  SESSION_WRITER=$!
}
release_session() {
  [ -n "${SESSION_PID:-}" ] || return 0
  kill "$SESSION_WRITER" 2>/dev/null
  wait "$SESSION_WRITER" 2>/dev/null
  wait_exit "$SESSION_PID" >/dev/null || kill "$SESSION_PID" 2>/dev/null
  SESSION_PID=""
}

# The whole registry as sorted-by-key text in FILE (UTF-8, no blank lines). Debian's
# regedit /E exports only the 32-bit view, so a win64 prefix is exported with reg export
# from its 64-bit view, which holds the 32-bit view under Wow6432Node.
# Wine keeps its own device, display and network state in the registry and rewrites it
# as its services start; those sections and the export's time stamps are left out.
WINE_VOLATILE_KEYS='^\[HKEY_LOCAL_MACHINE\\(Software\\Wow6432Node\\)?(Hardware|System\\CurrentControlSet\\(Control\\(Class|DeviceClasses|Video|GraphicsDrivers)|Enum|Services\\(Tcpip|NetBT))|Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards)(\\|\]|$)'
drop_volatile_registry() {  # reads an export as text on stdin
  WINE_VOLATILE_KEYS=$WINE_VOLATILE_KEYS awk '
    /^\[/ { skip = ($0 ~ ENVIRON["WINE_VOLATILE_KEYS"]) }
    /^#time=/ { next }
    !skip { print }'
}
# An export that comes back without its file (Wine's tool now and then ends without
# writing it on a loaded machine) is tried again, up to three times.
export_registry_file() {  # exported file, the exporting command...
  local out=$1 attempt
  shift
  for attempt in 1 2 3; do
    rm -f "$out"
    "$@" </dev/null >/dev/null 2>&1
    [ -s "$out" ] && return 0
  done
  return 1
}
export_registry() {  # file
  if [ "$QS_WINE_ARCH" = win64 ]; then
    local root
    : > "$1"
    for root in HKLM HKCU; do
      export_registry_file "$1.$root.reg" wine reg export "$root" "$(winpath "$1.$root.reg")" /reg:64 /y
      iconv -f UTF-16 -t UTF-8 "$1.$root.reg" | tr -d '\r' | grep -v '^$' | drop_volatile_registry >> "$1"
      rm -f "$1.$root.reg"
    done
  else
    export_registry_file "$1.reg" wine regedit /E "$(winpath "$1.reg")"
    iconv -f UTF-16 -t UTF-8 "$1.reg" | tr -d '\r' | grep -v '^$' | drop_volatile_registry > "$1"
    rm -f "$1.reg"
  fi
}
# Removes the product silently, whatever state the prefix is in.
ensure_removed() { run_wine "$INSTALLER" -h -u; }

# Files of the prefix (but the Windows folder) and of the scratch home, and the whole
# registry as text (both views in a win64 prefix), as $SCRATCH/NAME.files and .regtxt.
snapshot() {  # name
  { (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -print)
    (cd "$HOME" && find . -path ./.cache -prune -o -print); } | LC_ALL=C sort > "$SCRATCH/$1.files"
  export_registry "$SCRATCH/$1.regtxt"
}

# What the product puts outside its install folder: a Start-menu folder for all users
# and one for the user, and the desktop shortcut.
COMMON_MENU_UNIX="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velto/Quillstation"
START_MENU_FOLDERS="$COMMON_MENU_UNIX
$WINEPREFIX/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velto/Quillstation"
DESKTOP_SHORTCUT="$HOME/Desktop/Quill Station.LNK"
nothing_of_the_product_left() {
  local folder
  product_absent && uninstall_entry_absent && [ ! -e "$DESKTOP_SHORTCUT" ] || return 1
  while read -r folder; do
    ! compgen -G "$folder" >/dev/null || return 1
  done <<< "$START_MENU_FOLDERS"
}

# The files the system deletes at its next start, one Windows path a line, in order.
PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
pending_deletions() {
  wine reg query "$PENDING_KEY" /v PendingFileRenameOperations </dev/null 2>/dev/null | tr -d '\r' |
    sed -n -E 's/^ +PendingFileRenameOperations +REG_MULTI_SZ +//p' | sed 's/\\0/\n/g' |
    sed -n 's/^\\??\\//p'
}
