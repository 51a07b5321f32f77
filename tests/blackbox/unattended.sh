#!/usr/bin/env bash
# Unattended runs: every combination of switches against an installed and a missing
# product, with and without -h, and a hidden window that waits to be closed.
. "$(dirname "$0")/lib.sh" "$@"
record_browser
ensure_removed

# Runs the installer with switches; a visible run's Success box (if any) is answered.
run_switches() {
  start_wine "$INSTALLER" "$@"
  local pid=$LAST_PID
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    local box
    box=$(xdotool search --onlyvisible --name '^(Success|Quillstation (Uni|I)nstallation Error)$' 2>/dev/null | head -n 1)
    [ -n "$box" ] && press_key "$box" Return
    sleep 0.2
  done
  wait_exit "$pid"
}

for hidden in "-h" ""; do
  label=${hidden:-visible}
  run_switches $hidden -u
  check_eq "$label -u without the product: nothing, 0" 0 $?
  check "$label -u left the product absent" product_absent

  run_switches $hidden -i
  check_eq "$label -i without the product installs, 0" 0 $?
  check "$label -i installed the product" product_installed
  check "$label -i wrote the uninstall entry in the $INSTALLER_VIEW-bit registry view" \
    uninstall_entry_in_view "$INSTALLER_VIEW"

  run_switches $hidden -i
  check_eq "$label -i on the installed product removes it, 0" 0 $?
  check "$label -i removed the product" product_absent
  check "$label -i removed the uninstall entry" uninstall_entry_absent

  run_switches $hidden -i -u
  check_eq "$label -i -u without the product installs, 0" 0 $?
  check "$label -i -u installed the product" product_installed

  run_switches $hidden -u
  check_eq "$label -u on the installed product removes it, 0" 0 $?
  check "$label -u removed the product" product_absent
done

# ---- -e: install, or bring the installed product to this version; never a removal ----
# An older release: this installer with its version text (one constant, stored once)
# made older by a lower major number of the same length.
older=$SCRATCH/older/QuillstationSetup.exe
mkdir -p "$(dirname "$older")"
OLDER_VERSION=$((${INSTALLER_VERSION%%.*} - 1)).${INSTALLER_VERSION#*.}
python3 - "$INSTALLER" "$older" "$INSTALLER_VERSION" "$OLDER_VERSION" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
this, older = (v.encode() + b"\0" for v in sys.argv[3:5])
assert data.count(this) == 1 and len(this) == len(older), "the version text is not stored once"
open(sys.argv[2], "wb").write(data.replace(this, older))
EOF
# The detection rule DEPLOY.md gives: the program's file, and DisplayVersion, compared as
# a version, at least this release, in the installer's registry view.
detected() {
  local found
  product_installed || return 1
  found=$(uninstall_entry_value DisplayVersion)
  [ -n "$found" ] && [ "$(printf '%s\n%s\n' "$INSTALLER_VERSION" "$found" | sort -V | head -n 1)" = "$INSTALLER_VERSION" ]
}
not_detected() { ! detected; }
ensure_removed
for hidden in "-h" ""; do
  label="${hidden:-visible} -e"
  run_switches $hidden -e
  check_eq "$label without the product installs, 0" 0 $?
  check "$label installed this version, which the detection rule sees" detected
  printf 'kept' > "$PRODUCT_DIR_UNIX/user-notes.txt"
  run_switches $hidden -e
  check_eq "$label on this version: nothing done, 0" 0 $?
  check "$label on this version left the install folder as it was" test -f "$PRODUCT_DIR_UNIX/user-notes.txt"
  ensure_removed

  run_wine "$older" -h -i
  check_eq "$label: an older release ($OLDER_VERSION) installs" 0 $?
  check "$label: the detection rule does not take the older release for this one" not_detected
  run_switches $hidden -e
  check_eq "$label on the older release replaces it, 0" 0 $?
  check "$label: this version is installed and detected" detected
  check "$label: the uninstall entry runs this installer's copy" \
    cmp -s "$INSTALLER" "$PRODUCT_DIR_UNIX/QuillstationSetup.exe"
  check_eq "$label: the install folder holds this release's files only" "$INSTALLED_FILES" \
    "$(cd "$PRODUCT_DIR_UNIX" && LC_ALL=C ls | paste -sd ' ')"
  ensure_removed
done

# A hidden window with no unattended switch waits until it is closed from outside.
start_wine "$INSTALLER" -h
pid=$LAST_PID
sleep 2
check "-h alone keeps running" kill -0 "$pid"
check "and shows no window" test -z "$(xdotool search --onlyvisible --name "$INSTALLER_TITLE" 2>/dev/null)"
for _ in $(seq 1 50); do
  run_wine "$HELPERS/close_window.exe" VeltoQuillstation0Installer0MainWindow0 && break
  sleep 0.2
done
wait_exit "$pid"
check_eq "-h alone ends with 0 once closed from outside" 0 $?
check "nothing was installed" product_absent

# A damaged package: a copy of the installer with one byte of the first file's stored
# content changed. Hidden -i reports -10 (246 under Wine) and keeps nothing running.
damaged=$SCRATCH/damaged/QuillstationSetup.exe
mkdir -p "$(dirname "$damaged")"
cp "$INSTALLER" "$damaged"
directory=$(grep -obUaP 'Quillstation\.exe\x00{100}' "$damaged" | head -n 1 | cut -d: -f1)
if [ -n "$directory" ]; then
  offset=$((directory + 468 + 4096))
  byte=$(od -An -tu1 -j "$offset" -N1 "$damaged" | tr -d ' ')
  printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$damaged" bs=1 seek="$offset" conv=notrunc status=none
  run_wine "$damaged" -h -i
  check_eq "-h -i with a damaged package entry ends with -10 (246)" 246 $?
  ensure_removed
else
  check "the package directory was found in the installer" false
fi

# ---- -e over an installed release: one complete, registered release at every end ----
folder_digests() { (cd "$PRODUCT_DIR_UNIX" && md5sum -- *); }
# The Unix path of the file a Windows command runs (its quoted program path).
command_file() { local p=${1#\"}; p=${p%%\"*}; p=${p//\\//}; printf '%s/drive_c%s' "$WINEPREFIX" "${p#C:}"; }
tray_values_on() { wine reg query 'HKCU\Velto\Quillstation' </dev/null 2>/dev/null | grep -cE 'SysTray(ShowOnRun)? +REG_DWORD +0x1'; }
# The user's start-up folder (Wine spells it StartUp).
startup_folder=$(compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/[Ss]tart[Uu]p" |
  head -n 1)
check "the user's start-up folder is found" test -n "$startup_folder"
startup_shortcut="${startup_folder:-$SCRATCH}/Quillstation (Velto).LNK"
run_wine "$older" -h -i
folder_digests > "$SCRATCH/older.md5"
run_wine "$damaged" -h -e
check "-h -e with a damaged package over $OLDER_VERSION fails" test $? -ne 0
check_eq "the damaged run left $OLDER_VERSION registered" "$OLDER_VERSION" "$(uninstall_entry_value DisplayVersion)"
check "the damaged run left the older files as they were, and nothing beside them" \
  diff "$SCRATCH/older.md5" <(folder_digests)

# The user's settings over a freshly installed older release: the start-up shortcut and
# both tray values on.
ensure_removed
run_wine "$older" -h -i
printf 'link' > "$startup_shortcut"
for value in SysTray SysTrayShowOnRun; do
  wine reg add 'HKCU\Velto\Quillstation' /v $value /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
done
run_wine "$INSTALLER" -h -e
check_eq "-h -e over $OLDER_VERSION with the user's settings: 0" 0 $?
check "the update is detected" detected
check "the update kept the start-up shortcut" test -f "$startup_shortcut"
check_eq "the update kept both tray values on" 2 "$(tray_values_on)"

folder_digests > "$SCRATCH/this.md5"
rm -f "$PRODUCT_DIR_UNIX/Quill_Frmw_1.6.0.hex"
printf 'changed' >> "$PRODUCT_DIR_UNIX/readme.txt"
run_wine "$INSTALLER" -h -e
check_eq "-h -e on this version with the firmware gone and the read-me changed: 0" 0 $?
check "both are put back, nothing else changed" diff "$SCRATCH/this.md5" <(folder_digests)
# A file to put back that another program holds open: refused before anything changes.
printf 'changed' >> "$PRODUCT_DIR_UNIX/readme.txt"
folder_digests > "$SCRATCH/held.md5"
start_wine "$HELPERS/file_holder.exe" "$(winpath "$PRODUCT_DIR_UNIX/readme.txt")" \
  "$(winpath "$SCRATCH/held.ready")" "$(winpath "$SCRATCH/held.stop")"
holder=$LAST_PID
wait_for_file "$SCRATCH/held.ready"
run_wine "$INSTALLER" -h -e
check_eq "-h -e with the changed read-me held open ends with -10 (246)" 246 $?
check "the held run changed nothing in the install folder" diff "$SCRATCH/held.md5" <(folder_digests)
touch "$SCRATCH/held.stop"
wait_exit "$holder"
run_wine "$INSTALLER" -h -e
check "released, -h -e puts the read-me back" diff "$SCRATCH/this.md5" <(folder_digests)

# Started from the installed copy over an entry of another version.
wine reg add "$UNINSTALL_KEY" /v DisplayVersion /d "$OLDER_VERSION" /f $(reg_view_flag "$INSTALLER_VIEW") \
  </dev/null >/dev/null 2>&1
run_wine "$PRODUCT_DIR_UNIX/QuillstationSetup.exe" -h -e
check_eq "-h -e from the installed copy over a $OLDER_VERSION entry: 0" 0 $?
check "the update from the installed copy is detected" detected
check "the entry's UninstallString names a file that exists" \
  test -f "$(command_file "$(uninstall_entry_value UninstallString)")"
ensure_removed

finish
