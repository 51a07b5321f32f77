#!/usr/bin/env bash
# Faults during install and removal, with the real installer in the test prefix. Each
# install fault ends with its failure code, shows its failure text to a user who pressed
# the button, keeps the user's data that was in the way, and leaves everything outside
# the install folder exactly as it was (files with their sizes and times, and the whole
# registry). A removal fault removes all it can and asks the system to delete the rest
# at its next start, ending with 3010 (a restart finishes the removal) instead of 0; and
# removal never touches neighbours of what the installer owns.
. "$(dirname "$0")/lib.sh" "$@"

DRIVE_C="$WINEPREFIX/drive_c"
MAKER_DIR_UNIX=$(dirname "$PRODUCT_DIR_UNIX")
PROGRAM_FILES_UNIX=$(dirname "$MAKER_DIR_UNIX")
INSTALL_REL="./${PRODUCT_DIR_UNIX#"$DRIVE_C"/}"
SHELL_FOLDERS='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
ERROR_BOX='Quillstation Installation Error'
RESTART_BOX='Quillstation Uninstallation'
RESTART_TEXT='Quillstation has been removed, but some of its files are still in use.|They will be deleted when Windows restarts: a restart finishes the removal.'
WEB='https://www.velto.example/quillstation'
COPY_FAILED_TEXT="Failed to copy file(s) to destination folder...|Installation package might be corrupted|thanks to download official package at|$WEB."
FOLDER_FAILED_TEXT="Failed to create target folder on system disk|thanks to download official package at|$WEB."

# The C: path of a Unix path below drive_c, and back.
cpath() { local rel=${1#"$DRIVE_C"/}; printf 'C:\\%s' "${rel//\//\\}"; }
unixpath() { local rel=${1#[Cc]:\\}; printf '%s/%s' "$DRIVE_C" "${rel//\\//}"; }

# The "Programs" shell-folder value as the prefix had it; put back whatever happens.
programs_value() {
  wine reg query "$SHELL_FOLDERS" /v Programs </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^    Programs    REG_SZ    //p'
}
PROGRAMS_ORIGINAL=$(programs_value)
restore_programs() {
  wine reg add "$SHELL_FOLDERS" /v Programs /t REG_SZ /d "$PROGRAMS_ORIGINAL" /f </dev/null >/dev/null 2>&1
}
USER_MENU_UNIX="$(unixpath "$PROGRAMS_ORIGINAL")/Velto/Quillstation"

# A file held open by another process with no sharing, or ("read") readable by others
# only (tests/win/helpers/file_holder).
HOLDER_PID=
hold_file() {  # file [read]
  rm -f "$SCRATCH/held.ready" "$SCRATCH/held.stop"
  start_wine "$HELPERS/file_holder.exe" "$(cpath "$1")" "$(winpath "$SCRATCH/held.ready")" \
    "$(winpath "$SCRATCH/held.stop")" ${2:-}
  HOLDER_PID=$LAST_PID
  wait_for_file "$SCRATCH/held.ready"
}
release_file() {
  [ -n "$HOLDER_PID" ] || return 0
  touch "$SCRATCH/held.stop"
  wait_exit "$HOLDER_PID"
  HOLDER_PID=
}

# A read-only file. Wine shows a file without write permission as read-only; root
# writes such files regardless, so for root the file is also made immutable, as
# Windows refuses to overwrite a read-only file.
IMMUTABLE=()
make_read_only() {
  chmod a-w "$1" || return 1
  [ "$(id -u)" -ne 0 ] && return 0
  chattr +i "$1" 2>/dev/null || return 1
  IMMUTABLE+=("$1")
}
make_writable() {
  chattr -i "$1" 2>/dev/null
  chmod u+w "$1" 2>/dev/null
}

faults_cleanup() {
  release_file
  for f in "${IMMUTABLE[@]}"; do make_writable "$f"; done
  [ -n "$PROGRAMS_ORIGINAL" ] && restore_programs
  # The product was absent when the test began; a run cut short leaves no part of it.
  [ -n "${STARTED:-}" ] && { ensure_removed; rm -rf "$PRODUCT_DIR_UNIX"; }
}
trap 'faults_cleanup; cleanup' EXIT

# Files of the prefix and of the scratch home (size and time of each file), except the
# install folder, and the whole registry as text (lib.sh's export).
detailed_snapshot() {
  { (cd "$DRIVE_C" && find . -path ./windows -prune -o -type f -printf '%p %s %T@\n' -o -printf '%p\n')
    (cd "$HOME" && find . -path ./.cache -prune -o -type f -printf 'HOME/%p %s %T@\n' -o -printf 'HOME/%p\n')
  } | grep -v -F -x "$INSTALL_REL" | grep -v -F "$INSTALL_REL/" | LC_ALL=C sort > "$SCRATCH/$1.files"
  export_registry "$SCRATCH/$1.regtxt"
}
# What changed between two snapshots, but for lines matching an allowed pattern.
changes() {  # before after [allowed regex]
  local allowed=${3:-'^$'}
  { diff "$SCRATCH/$1.files" "$SCRATCH/$2.files"; diff "$SCRATCH/$1.regtxt" "$SCRATCH/$2.regtxt"; } |
    grep '^[<>]' | grep -v -E "$allowed"
}
# The maker's folders that removal keeps, and the per-user product key with its tray
# values, which removal sets to 0.
KEPT_BY_REMOVAL='^> (\./.*/Velto|\[HKEY_(CURRENT_USER|USERS\\S-[0-9-]+)\\Velto(\\Quillstation)?\]( [0-9]+)?|"SysTray(ShowOnRun)?"=dword:00000000)$'

# Presses the button of a visible installer (or starts it with an unattended switch) and
# prints what its box says (one line per text, "|" for line breaks); answers the box.
# An unattended run's box must still be up, unanswered, after BOX_WAIT seconds. Returns the
# installer's code.
BOX_WAIT=3
interactive_failure_text() {  # [box caption, default: the install's failure box] [switch]
  local caption=${1:-$ERROR_BOX} switch=${2:-}
  rm -f "$SCRATCH/box.txt"
  start_wine "$INSTALLER" $switch
  local pid=$LAST_PID main box
  if [ -z "$switch" ]; then
    main=$(find_window "$INSTALLER_TITLE")
    [ -n "$main" ] && press_key "$main" Return
  fi
  box=$(find_window "^$caption\$")
  [ -z "$box" ] || [ -z "$switch" ] || { sleep "$BOX_WAIT"; box=$(find_window "^$caption\$"); }
  if [ -n "$box" ]; then
    run_wine "$HELPERS/window_texts.exe" "$caption" "$(winpath "$SCRATCH/box.txt")"
    press_key "$box" Return
  else
    run_wine "$HELPERS/close_window.exe" VeltoQuillstation0Installer0MainWindow0
  fi
  wait_exit "$pid"
  local code=$?
  [ -f "$SCRATCH/box.txt" ] && cat "$SCRATCH/box.txt"
  return $code
}

file_is() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }
non_empty_file() { [ -s "$1" ]; }
absent() { [ ! -e "$1" ]; }
# The uninstall entry: in the installer's registry view (a win64 prefix has two views).
key_present() {
  if declare -F uninstall_entry_in_view >/dev/null; then uninstall_entry_in_view "$INSTALLER_VIEW"; else
    wine reg query "$UNINSTALL_KEY" </dev/null >/dev/null 2>&1; fi
}
key_absent() {
  if declare -F uninstall_entry_absent >/dev/null; then uninstall_entry_absent; else ! key_present; fi
}

ensure_removed
rm -rf "$PRODUCT_DIR_UNIX"
STARTED=1
MAKER_EXISTED=0
[ -d "$MAKER_DIR_UNIX" ] && MAKER_EXISTED=1

# ---- Faults during install ----------------------------------------------------------------
# Each case: set-up (the fault in place), checks after the failed run, tear-down. The
# set-up runs again before the interactive run.

setup_held_exe() {
  mkdir -p "$PRODUCT_DIR_UNIX"
  rm -f "$PRODUCT_DIR_UNIX"/*
  printf 'running program' > "$PRODUCT_DIR_UNIX/Quillstation.exe"
  hold_file "$PRODUCT_DIR_UNIX/Quillstation.exe"
}
verify_held_exe() {
  check "held exe: the held program is untouched" file_is "$PRODUCT_DIR_UNIX/Quillstation.exe" 'running program'
  check "held exe: readme.txt is written" non_empty_file "$PRODUCT_DIR_UNIX/readme.txt"
  check "held exe: the firmware is written" non_empty_file "$PRODUCT_DIR_UNIX/Quill_Frmw_1.6.0.hex"
  check "held exe: no installer copy" absent "$PRODUCT_DIR_UNIX/QuillstationSetup.exe"
}
teardown_held_exe() { release_file; rm -rf "$PRODUCT_DIR_UNIX"; }

setup_read_only() {
  mkdir -p "$PRODUCT_DIR_UNIX"
  make_writable "$PRODUCT_DIR_UNIX/readme.txt"
  rm -f "$PRODUCT_DIR_UNIX"/*
  printf "the user's own notes" > "$PRODUCT_DIR_UNIX/readme.txt"
  make_read_only "$PRODUCT_DIR_UNIX/readme.txt"
}
verify_read_only() {
  check "read-only file: its content is kept" file_is "$PRODUCT_DIR_UNIX/readme.txt" "the user's own notes"
  check "read-only file: the program is written" non_empty_file "$PRODUCT_DIR_UNIX/Quillstation.exe"
  check "read-only file: the firmware is written" non_empty_file "$PRODUCT_DIR_UNIX/Quill_Frmw_1.6.0.hex"
}
teardown_read_only() { make_writable "$PRODUCT_DIR_UNIX/readme.txt"; rm -rf "$PRODUCT_DIR_UNIX"; }

# A file where a folder of the install path must be: the maker's folder, or the install
# folder itself.
FILE_IN_THE_WAY=
setup_maker_is_file() {
  rmdir "$MAKER_DIR_UNIX" 2>/dev/null
  FILE_IN_THE_WAY=$MAKER_DIR_UNIX
  printf 'a file of the user' > "$FILE_IN_THE_WAY"
}
setup_folder_is_file() {
  mkdir -p "$MAKER_DIR_UNIX"
  FILE_IN_THE_WAY=$PRODUCT_DIR_UNIX
  printf 'a file of the user' > "$FILE_IN_THE_WAY"
}
verify_file_in_the_way() {
  check "file in the way ($(basename "$FILE_IN_THE_WAY")): kept as it was" file_is "$FILE_IN_THE_WAY" 'a file of the user'
}
teardown_file_in_the_way() {
  rm -f "$FILE_IN_THE_WAY"
  [ "$MAKER_EXISTED" -eq 1 ] && mkdir -p "$MAKER_DIR_UNIX"
}

# name | set-up | checks | tear-down | hidden exit code | failure text
INSTALL_FAULTS=(
  "held exe|setup_held_exe|verify_held_exe|teardown_held_exe|246|$COPY_FAILED_TEXT"
  "read-only file|setup_read_only|verify_read_only|teardown_read_only|246|$COPY_FAILED_TEXT"
  "maker folder is a file|setup_maker_is_file|verify_file_in_the_way|teardown_file_in_the_way|253|$FOLDER_FAILED_TEXT"
  "install folder is a file|setup_folder_is_file|verify_file_in_the_way|teardown_file_in_the_way|253|$FOLDER_FAILED_TEXT"
)

for row in "${INSTALL_FAULTS[@]}"; do
  IFS='|' read -r name setup verify teardown code _ <<< "$row"
  text=${row#*|*|*|*|*|}
  if ! $setup; then
    echo "skip - $name: the fault cannot be set up here"
    $teardown
    continue
  fi
  detailed_snapshot "before"
  run_wine "$INSTALLER" -h -i
  check_eq "$name: hidden install ends with $code" "$code" $?
  $verify
  detailed_snapshot "after"
  check_eq "$name: nothing outside the install folder changed" "" "$(changes before after)"
  $teardown

  # The button, then -i with the window shown: its box waits for an answer, then the run's code.
  for switch in "" -i; do
    want=0 && [ -z "$switch" ] || want=$code
    $setup
    shown=$(interactive_failure_text "$ERROR_BOX" $switch)
    check_eq "$name: ${switch:-a pressed button} with the window ends with $want" "$want" $?
    check_eq "$name: ${switch:-a pressed button}: the failure box says why" "$text" "$(grep -xF "$text" <<< "$shown")"
    $teardown
  done
done

# ---- Faults during removal ---------------------------------------------------------------

# The product's program held open by another program (running in another session, say,
# where start-up's window close does not reach it): everything else goes, the held file
# and its folder are deleted at the next start, and removal ends with 3010 (194 under
# Wine), not 0; with the window, its box says that a restart finishes the removal.
PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
clear_pending() { wine reg delete "$PENDING_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1; }
clear_pending
detailed_snapshot "clean"
run_wine "$INSTALLER" -h -i
check_eq "held during removal: install ends with 0" 0 $?
program_bytes=$(md5sum < "$PRODUCT_DIR_UNIX/Quillstation.exe")
hold_file "$PRODUCT_DIR_UNIX/Quillstation.exe" read
run_wine "$INSTALLER" -h -u
check_eq "held during removal: removal ends with 3010, a restart finishes it" 194 $?
check_eq "held during removal: only the held file is left in the folder" "Quillstation.exe" "$(ls "$PRODUCT_DIR_UNIX")"
check_eq "held during removal: the held file is intact" "$program_bytes" "$(md5sum < "$PRODUCT_DIR_UNIX/Quillstation.exe")"
check_eq "held during removal: the held file, then its folder, are deleted at the next start" \
  "$PRODUCT_DIR_WIN\Quillstation.exe|$PRODUCT_DIR_WIN" "$(pending_deletions | paste -sd '|')"
check "held during removal: the uninstall entry is gone" key_absent
check "held during removal: the per-user Start-menu folder is gone" absent "$USER_MENU_UNIX"
check "held during removal: the all-users Start-menu folder is gone" absent "$COMMON_MENU_UNIX"
check "held during removal: the desktop shortcut is gone" absent "$DESKTOP_SHORTCUT"
clear_pending
detailed_snapshot "removed"
check_eq "held during removal: nothing else is left behind" "" "$(changes clean removed "$KEPT_BY_REMOVAL")"
release_file
rm -rf "$PRODUCT_DIR_UNIX"

# With the window: the button ends with 0, -u with 3010 once its box is answered.
for switch in "" -u; do
  want=0 && [ -z "$switch" ] || want=194
  run_wine "$INSTALLER" -h -i
  hold_file "$PRODUCT_DIR_UNIX/Quillstation.exe" read
  shown=$(interactive_failure_text "$RESTART_BOX" $switch)
  check_eq "held during removal, ${switch:-the button} with the window: ends with $want" "$want" $?
  check_eq "held during removal, ${switch:-the button} with the window: the box says a restart finishes it" \
    "$RESTART_TEXT" "$(grep -xF "$RESTART_TEXT" <<< "$shown")"
  check "held during removal, with the window: the uninstall entry is gone" key_absent
  release_file
  clear_pending
  rm -rf "$PRODUCT_DIR_UNIX"
done

# A removal, then the system's next start (a restart of the prefix): the start deletes
# what was held during the removal, but nothing that an install wrote again before it.
run_wine "$INSTALLER" -h -i
hold_file "$PRODUCT_DIR_UNIX/Quillstation.exe" read
run_wine "$INSTALLER" -h -u
check_eq "held, then reinstalled: the removal ends with 3010" 194 $?
release_file
run_wine "$INSTALLER" -h -e
check_eq "held, then reinstalled: the install before the restart ends with 0" 0 $?
wineboot -r </dev/null >>"$SCRATCH/wine.log" 2>&1
check_eq "held, then reinstalled: every installed file outlives the restart" "$INSTALLED_FILES" \
  "$(cd "$PRODUCT_DIR_UNIX" 2>/dev/null && LC_ALL=C ls | paste -sd ' ')"

# A folder whose name begins with a full stop and a read-only file (Wine shows a file
# without write permission as read-only) go with the removal itself: nothing waits.
mkdir -p "$PRODUCT_DIR_UNIX/.settings" && printf 'a setting' > "$PRODUCT_DIR_UNIX/.settings/view.ini"
chmod a-w "$PRODUCT_DIR_UNIX/readme.txt"
run_wine "$INSTALLER" -h -u
check_eq "a dotted folder and a read-only file: the removal ends with 0" 0 $?
check "a dotted folder and a read-only file: nothing is left" product_absent
clear_pending
rm -rf "$PRODUCT_DIR_UNIX"

# Neighbours of everything the installer owns: files and folders of the user beside the
# install folder, the Start-menu folders and the desktop shortcut, some with names that
# begin like the product's. Install and removal leave every one as it was.
NEIGHBOURS=(
  "$MAKER_DIR_UNIX/Quillstation Tools/tool.exe"
  "$MAKER_DIR_UNIX/Quillstation.exe"
  "$MAKER_DIR_UNIX/readme.txt"
  "$PROGRAM_FILES_UNIX/Velto Quillstation/keep.txt"
  "$(dirname "$USER_MENU_UNIX")/Quillstation Tools.LNK"
  "$(dirname "$USER_MENU_UNIX")/Quillstation2/Readme.LNK"
  "$(dirname "$COMMON_MENU_UNIX")/notes.txt"
  "$HOME/Desktop/Quill Station Notes.txt"
  "$HOME/Desktop/Quillstation.LNK"
)
for f in "${NEIGHBOURS[@]}"; do mkdir -p "$(dirname "$f")"; printf 'neighbour %s' "$f" > "$f"; done
detailed_snapshot "neighbours"
run_wine "$INSTALLER" -h -i
check_eq "neighbours: install ends with 0" 0 $?
run_wine "$INSTALLER" -h -u
check_eq "neighbours: removal ends with 0" 0 $?
check "neighbours: the product is removed" product_absent
kept=0
for f in "${NEIGHBOURS[@]}"; do file_is "$f" "neighbour $f" && kept=$((kept + 1)); done
check_eq "neighbours: every neighbour is kept with its content" "${#NEIGHBOURS[@]}" "$kept"
detailed_snapshot "neighbours_after"
check_eq "neighbours: nothing else changed" "" "$(changes neighbours neighbours_after "$KEPT_BY_REMOVAL")"
for f in "${NEIGHBOURS[@]}"; do rm -f "$f"; done
rmdir "$MAKER_DIR_UNIX/Quillstation Tools" "$PROGRAM_FILES_UNIX/Velto Quillstation" \
  "$(dirname "$USER_MENU_UNIX")/Quillstation2" 2>/dev/null

# ---- The per-user Start-menu folder value where a string is read ---------------------------
# Not a usable folder text: another type, a folder relative to the current directory, or
# empty. Install skips the per-user shortcuts and succeeds; removal returns 0 and removes
# the rest; nothing lands in the current directory.
mkdir -p "$SCRATCH/cwd"
WRONG_PROGRAMS=(
  "a number|REG_DWORD|1"
  "a text to expand|REG_EXPAND_SZ|$PROGRAMS_ORIGINAL"
  "a relative folder|REG_SZ|Start Menu\\Programs"
  "an empty text|REG_SZ|"
)
set_programs() {  # type data
  wine reg add "$SHELL_FOLDERS" /v Programs /t "$1" /d "$2" /f </dev/null >/dev/null 2>&1
}
in_cwd() { (cd "$SCRATCH/cwd" && run_wine "$INSTALLER" "$@"); }
for row in "${WRONG_PROGRAMS[@]}"; do
  IFS='|' read -r name type data <<< "$row"
  set_programs "$type" "$data"
  in_cwd -h -i
  check_eq "Programs as $name: install ends with 0" 0 $?
  check "Programs as $name: the product is installed" product_installed
  check "Programs as $name: the all-users shortcuts are made" test -f "$COMMON_MENU_UNIX/Quillstation.LNK"
  check "Programs as $name: the uninstall entry is written" key_present
  check "Programs as $name: no per-user shortcuts" absent "$USER_MENU_UNIX"
  check_eq "Programs as $name: the value is still as set" "$type" \
    "$(wine reg query "$SHELL_FOLDERS" /v Programs </dev/null 2>/dev/null | tr -d '\r' | awk '$1 == "Programs" {print $2}')"
  in_cwd -h -u
  check_eq "Programs as $name: removal ends with 0" 0 $?
  check "Programs as $name: the product is removed" product_absent
  check "Programs as $name: the all-users shortcuts are removed" absent "$COMMON_MENU_UNIX"
  check "Programs as $name: the uninstall entry is removed" key_absent

  # Installed with the right value, removed with the wrong one: the per-user shortcuts
  # cannot be found and stay; everything else goes.
  restore_programs
  in_cwd -h -i
  check "Programs as $name: the per-user shortcuts of a normal install" test -f "$USER_MENU_UNIX/Quillstation.LNK"
  set_programs "$type" "$data"
  in_cwd -h -u
  check_eq "Programs as $name, set after install: removal ends with 0" 0 $?
  check "Programs as $name, set after install: the product is removed" product_absent
  check "Programs as $name, set after install: the all-users shortcuts are removed" absent "$COMMON_MENU_UNIX"
  check "Programs as $name, set after install: the desktop shortcut is removed" absent "$DESKTOP_SHORTCUT"
  check "Programs as $name, set after install: the uninstall entry is removed" key_absent
  check_eq "Programs as $name: nothing was written to the current directory" "" "$(ls -A "$SCRATCH/cwd")"
  restore_programs
  rm -rf "$USER_MENU_UNIX"
done
check_eq "the Programs value is back as it was" "$PROGRAMS_ORIGINAL" "$(programs_value)"

ensure_removed
finish
