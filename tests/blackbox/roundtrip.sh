#!/usr/bin/env bash
# Install and removal leave the machine as they found it, but for what removal keeps on
# purpose: the maker's parent folders and the per-user product key with its two tray
# values set to 0. Then a soak: many unattended install/removal cycles, every one ending
# with 0, and the machine unchanged by them.
. "$(dirname "$0")/lib.sh" "$@"
cycles=${QS_SOAK_CYCLES:-25}

# The per-user product key that removal keeps, as the registry export heads it.
KEPT_KEY='\[HKEY_(CURRENT_USER|USERS\\S-[0-9-]+)\\Velto(\\Quillstation)?\]( [0-9]+)?'

# Starts from a machine that holds nothing of the product, in one Wine session held for
# the whole test: the earlier tests removed what they made, and nothing the removal under
# test could leave behind is taken for the starting state. Only what removal keeps on
# purpose may be there (the maker's "Velto" folders, the per-user product key); it is
# cleared, so that the comparison below sees it come back.
hold_session
snapshot start
check_eq "the starting state holds no file or folder of the product" "" \
  "$(grep -i -E 'velto|quill' "$SCRATCH/start.files" | grep -v -E '/Velto$')"
check_eq "the starting state holds no registry key or value of the product" "" \
  "$(grep -i -E 'velto|quill' "$SCRATCH/start.regtxt" | grep -v -E "^$KEPT_KEY$")"
# With nothing to remove this changes nothing of the product; it brings the session's
# display up, whose state Wine writes into the registry on first use.
ensure_removed
rm -rf "$PROGRAM_FILES_UNIX/Velto" \
  "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velto" \
  "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Velto
wine reg delete 'HKCU\Velto' /f </dev/null >/dev/null 2>&1
snapshot before

run_wine "$INSTALLER" -h -i
check_eq "install ends with 0" 0 $?

# Where the install went: the program-files folder of a program of the installer's
# bitness (a 32-bit one under WoW64: the x86 one, nothing in the native one; the x86-64
# build: the native one, nothing in the x86 one) and the registry view of that bitness.
check "the product files are in $PROGRAM_FILES_WIN" product_installed
if [ -n "$OTHER_PROGRAM_FILES_UNIX" ]; then
  check "nothing went to ${OTHER_PROGRAM_FILES_UNIX##*/}" test ! -e "$OTHER_PROGRAM_FILES_UNIX/Velto"
fi
check "the uninstall entry is in the $INSTALLER_VIEW-bit registry view" uninstall_entry_in_view "$INSTALLER_VIEW"
if [ "$QS_WINE_ARCH" = win64 ]; then
  check "the uninstall entry is not in the $OTHER_VIEW-bit registry view" uninstall_entry_not_in_view "$OTHER_VIEW"
fi
check_eq "the uninstall entry names the install folder" "$PRODUCT_DIR_WIN" \
  "$(uninstall_entry_value InstallLocation)"

run_wine "$INSTALLER" -h -u
check_eq "removal ends with 0" 0 $?
check "removal deleted the uninstall entry from every view" uninstall_entry_absent
check "removal deleted the install folder" product_absent
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
