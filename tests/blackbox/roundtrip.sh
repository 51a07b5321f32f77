#!/usr/bin/env bash
# Install and removal leave the machine as they found it, but for what removal keeps on
# purpose: the maker's parent folders and the per-user product key with its two tray
# values set to 0. Then a soak: many unattended install/removal cycles, every one ending
# with 0, and the machine unchanged by them.
. "$(dirname "$0")/lib.sh" "$@"
cycles=${QS_SOAK_CYCLES:-25}

# Files of the prefix and of the scratch home, and the whole registry as text.
snapshot() {
  { (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -print)
    (cd "$HOME" && find . -path ./.cache -prune -o -print); } | LC_ALL=C sort > "$SCRATCH/$1.files"
  wine regedit /E "$(winpath "$SCRATCH/$1.reg")" </dev/null >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$SCRATCH/$1.reg" | tr -d '\r' | grep -v '^$' > "$SCRATCH/$1.regtxt"
}

# Starts from a machine without the product or anything it keeps.
ensure_removed
rm -rf "$PRODUCT_DIR_UNIX" "$WINEPREFIX/drive_c/Program Files/Velto" \
  "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velto" \
  "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Velto
wine reg delete 'HKCU\Velto' /f </dev/null >/dev/null 2>&1
snapshot before

run_wine "$INSTALLER" -h -i
check_eq "install ends with 0" 0 $?
run_wine "$INSTALLER" -h -u
check_eq "removal ends with 0" 0 $?
snapshot after

# Files: only the three kept "Velto" parent folders appear.
added=$(comm -13 "$SCRATCH/before.files" "$SCRATCH/after.files" | grep -v -E '/Velto$')
removed=$(comm -23 "$SCRATCH/before.files" "$SCRATCH/after.files")
check_eq "no file or folder is left behind but the Velto parents" "" "$added"
check_eq "nothing that was there before is gone" "" "$removed"
check_eq "the kept Velto parent folders" 3 "$(comm -13 "$SCRATCH/before.files" "$SCRATCH/after.files" | grep -c -E '/Velto$')"

# Registry: only the per-user product key with its two values at 0.
regdiff=$(diff "$SCRATCH/before.regtxt" "$SCRATCH/after.regtxt" | grep '^[<>]' |
  grep -v -E '^> (\[HKEY_(CURRENT_USER|USERS\\S-[0-9-]+)\\Velto(\\Quillstation)?\]( [0-9]+)?|#time=[0-9a-f]+|"SysTray(ShowOnRun)?"=dword:00000000)$')
check_eq "the registry differs only by the per-user product key" "" "$regdiff"
check "the tray values are 0" grep -q '^"SysTrayShowOnRun"=dword:00000000$' "$SCRATCH/after.regtxt"

# Soak: further cycles change nothing at all.
failed=0
for i in $(seq 1 "$cycles"); do
  run_wine "$INSTALLER" -h -i || { echo "cycle $i: install ended with $?"; failed=$((failed + 1)); }
  run_wine "$INSTALLER" -h -u || { echo "cycle $i: removal ended with $?"; failed=$((failed + 1)); }
done
check_eq "$cycles install/removal cycles all end with 0" 0 "$failed"
snapshot soaked
check_eq "files after the soak are those after one cycle" "" "$(diff "$SCRATCH/after.files" "$SCRATCH/soaked.files")"
check_eq "registry after the soak is that after one cycle" "" \
  "$(diff "$SCRATCH/after.regtxt" "$SCRATCH/soaked.regtxt" | grep '^[<>]' | grep -v -E '^[<>] #time=')"

finish
