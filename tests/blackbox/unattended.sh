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
damaged=$SCRATCH/QuillstationSetup.exe
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

finish
