#!/usr/bin/env bash
# Removal the way the system's list of programs and deployment tools start it: the
# uninstall entry's commands, run exactly as written, start the installer's copy inside
# the install folder. The starter waits for the removal, gets its exit code, and finds
# nothing of the product left: the running copy has moved itself into a private folder
# under the Windows directory, which goes when the system next starts.
. "$(dirname "$0")/lib.sh" "$@"

ASIDE_PREFIX='C:\windows\Temp\Quillstation-removal-'
ASIDE_UNIX="$WINEPREFIX/drive_c/windows/temp"

# Runs an uninstall entry's value exactly as written, the way a deployment tool starts
# it, optionally in a working folder; a window's Remove button is answered with Enter.
# Prints nothing; returns the code the starter got.
run_entry_value() {  # value name, hidden|window, [Windows working folder]
  local command starter wid
  command=$(uninstall_entry_value "$1")
  [ -n "$command" ] || return 200
  if [ "$2" = hidden ]; then
    QS_RUN_COMMAND=$command QS_RUN_FOLDER=${3:-} run_wine "$HELPERS/run_command.exe"
    return
  fi
  QS_RUN_COMMAND=$command QS_RUN_FOLDER=${3:-} start_wine "$HELPERS/run_command.exe"
  starter=$LAST_PID
  wid=$(find_window "$INSTALLER_TITLE") || { kill "$starter"; return 201; }
  sleep 0.5
  press_key "$wid" Return
  wait_exit "$starter"
}

differs() { ! cmp -s "$1" "$2"; }

# From a prefix where nothing waits for the next start (earlier tests may have left
# requests) and without the product.
wineboot -r </dev/null >>"$SCRATCH/wine.log" 2>&1
hold_session
ensure_removed
check_eq "nothing waits for the next start at the beginning" "" "$(pending_deletions)"
snapshot before

# how | installer started for the install | value run | hidden or window | working folder
# An installer saved as Quillstation.exe is also started by its short (8.3) name, which
# spells the product program's name differently.
named=$SCRATCH/named/Quillstation.exe
mkdir -p "$SCRATCH/named" && cp "$INSTALLER" "$named"
short=$(winepath -s "$(winpath "$named")" 2>/dev/null | tr -d '\r')
ROWS=(
  "the quiet command|$INSTALLER|QuietUninstallString|hidden|"
  "the plain command with its window|$INSTALLER|UninstallString|window|"
  "the quiet command working in the install folder|$INSTALLER|QuietUninstallString|hidden|$PRODUCT_DIR_WIN"
  "an installer saved as Quillstation.exe|$named|QuietUninstallString|hidden|"
  "the same started by its short name ${short##*\\}|$short|QuietUninstallString|hidden|"
)
for row in "${ROWS[@]}"; do
  IFS='|' read -r how installer value mode folder <<< "$row"
  run_wine "$installer" -h -i
  check_eq "$how: install ends with 0" 0 $?
  check "$how: the command names the copy in the install folder" \
    grep -qF "\"$PRODUCT_DIR_WIN\\QuillstationSetup.exe\"" <<< "$(uninstall_entry_value "$value")"
  if [ "$installer" = "$named" ] || [ "$installer" = "$short" ]; then
    check "$how: the product program is the packaged one, not the installer" \
      differs "$named" "$PRODUCT_DIR_UNIX/Quillstation.exe"
    check "$how: the installer's copy is beside it" cmp -s "$named" "$PRODUCT_DIR_UNIX/QuillstationSetup.exe"
  fi
  run_entry_value "$value" "$mode" "$folder"
  check_eq "$how: the starter waits and gets 0" 0 $?
  check "$how: nothing of the product is left" nothing_of_the_product_left
done

# The same copy's -i on the installed product removes it too.
run_wine "$INSTALLER" -h -i
run_wine "$PRODUCT_DIR_WIN\\QuillstationSetup.exe" -h -i
check_eq "-h -i of the copy on the installed product: 0" 0 $?
check "-h -i of the copy: nothing of the product is left" nothing_of_the_product_left

snapshot after
added=$(comm -13 "$SCRATCH/before.files" "$SCRATCH/after.files" | grep -v -E '/Velto$')
check_eq "no file or folder is left behind but the Velto parents" "" "$added"
regdiff=$(diff "$SCRATCH/before.regtxt" "$SCRATCH/after.regtxt" | grep '^[<>]' |
  grep -v -E '^> (\[HKEY_(CURRENT_USER|USERS\\S-[0-9-]+)\\Velto(\\Quillstation)?\]( [0-9]+)?|#time=[0-9a-f]+|"SysTray(ShowOnRun)?"=dword:00000000)$' |
  grep -v -E '^> ("PendingFileRenameOperations"=hex\(7\):|  [0-9a-f,]+\\?$)')
check_eq "the registry differs only by the tray values and the deletions at the next start" "" "$regdiff"

# Each removal asked for two deletions at the next start: its moved copy, then the
# private folder holding it, under the Windows directory.
mapfile -t pending < <(pending_deletions)
check_eq "six removals left six copies and folders to delete at the next start" 12 "${#pending[@]}"
for ((i = 0; i + 1 < ${#pending[@]}; i += 2)); do
  copy=${pending[i]} folder=${pending[i + 1]}
  check "the private folder $folder lies under the Windows directory" \
    test "${folder#"$ASIDE_PREFIX"}" != "$folder"
  check_eq "and holds the moved copy" "$folder\\QuillstationSetup.exe" "$copy"
done
check_eq "the private folders exist until then" 6 "$(find "$ASIDE_UNIX" -maxdepth 1 -name 'Quillstation-removal-*' | wc -l)"

# The system's next start (a restart of the prefix) deletes them.
release_session
wineboot -r </dev/null >>"$SCRATCH/wine.log" 2>&1
check_eq "after a restart the private folders are gone" 0 \
  "$(find "$ASIDE_UNIX" -maxdepth 1 -name 'Quillstation-removal-*' | wc -l)"
check_eq "and nothing waits for the next start" "" "$(pending_deletions)"

# A copy that cannot be moved aside (here: the Windows directory's Temp is a file, so no
# private folder can be made) is renamed within the install folder and deleted at the next
# start with the folder, never under its own name: a reinstall before the restart puts a
# new copy at that name, and the restart must not take it.
hold_session
run_wine "$INSTALLER" -h -i
mv "$ASIDE_UNIX" "$ASIDE_UNIX.saved" && : > "$ASIDE_UNIX"
run_entry_value QuietUninstallString hidden
check_eq "a copy that cannot move aside: the starter gets 0" 0 $?
rm -f "$ASIDE_UNIX" && mv "$ASIDE_UNIX.saved" "$ASIDE_UNIX"
mapfile -t pending < <(pending_deletions)
check_eq "a copy that cannot move aside: two deletions wait" 2 "${#pending[@]}"
check "the first is the copy renamed within the install folder" \
  test "${pending[0]#"$PRODUCT_DIR_WIN\\Quillstation-removal-"}" != "${pending[0]}"
check_eq "the second the install folder" "$PRODUCT_DIR_WIN" "${pending[1]:-}"
run_wine "$INSTALLER" -h -i
check_eq "a reinstall before the restart ends with 0" 0 $?
check_eq "and withdraws the install folder's deletion, keeping the renamed copy's" "${pending[0]}" \
  "$(pending_deletions | paste -sd '|')"
release_session
wineboot -r </dev/null >>"$SCRATCH/wine.log" 2>&1
check "after the restart the reinstalled product keeps its uninstaller" \
  test -f "$PRODUCT_DIR_UNIX/QuillstationSetup.exe"
check_eq "and all its files, nothing else" "$INSTALLED_FILES" \
  "$(cd "$PRODUCT_DIR_UNIX" 2>/dev/null && LC_ALL=C ls | paste -sd ' ')"
ensure_removed
wineboot -r </dev/null >>"$SCRATCH/wine.log" 2>&1

# An orphaned entry: the program deleted (by hand, by a cleaner), the entry, the other
# files and the shortcuts left. -u takes all of it away; -e installs again.
orphan() { run_wine "$INSTALLER" -h -i && rm -f "$PRODUCT_DIR_UNIX/Quillstation.exe"; }
orphan
run_wine "$INSTALLER" -h -u
check_eq "-h -u over an orphaned entry ends with 0" 0 $?
check "and leaves nothing of the product, its entry included" nothing_of_the_product_left
orphan
run_wine "$INSTALLER" -h -e
check_eq "-h -e over an orphaned entry ends with 0" 0 $?
check "and installs the product again" product_installed
ensure_removed

finish
