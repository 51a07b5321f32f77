#!/usr/bin/env bash
# A recording SHFOLDER.DLL planted beside the installer and in its current directory is
# never loaded, by a hidden install or removal of the real installer, with Wine told to
# prefer such a native copy for it. A probe loading the library by its bare name from the
# same places shows that the planted copy, the override and the marker all work.
. "$(dirname "$0")/lib.sh" "$@"

PLANTED="$HELPERS/planted/SHFOLDER.DLL"
DEFAULTS='HKCU\Software\Wine\AppDefaults'
MARKER="$SCRATCH/marker.txt"
export QS_PLANTED_MARKER
QS_PLANTED_MARKER=$(winpath "$MARKER")

# Wine's per-program override: a native SHFOLDER.DLL wins over the built-in one.
prefer_native() {  # program name
  wine reg add "$DEFAULTS\\$1\\DllOverrides" /v shfolder /t REG_SZ /d native,builtin /f \
    </dev/null >/dev/null 2>&1
}
OVERRIDDEN=()
DEFAULTS_EXISTED=0
wine reg query "$DEFAULTS" </dev/null >/dev/null 2>&1 && DEFAULTS_EXISTED=1
planted_cleanup() {
  for program in "${OVERRIDDEN[@]}"; do
    wine reg delete "$DEFAULTS\\$program" /f </dev/null >/dev/null 2>&1
  done
  [ "$DEFAULTS_EXISTED" -eq 0 ] && wine reg delete "$DEFAULTS" /f </dev/null >/dev/null 2>&1
}
trap 'planted_cleanup; cleanup' EXIT
for program in QuillstationSetup.exe dll_search_probe.exe; do
  if wine reg query "$DEFAULTS\\$program" </dev/null >/dev/null 2>&1; then
    echo "the prefix already has Wine settings for $program; not touching them" >&2
    exit 1
  fi
  OVERRIDDEN+=("$program")
  prefer_native "$program"
done

# The installer's folder with a planted copy, a bare folder, and a planted current directory.
mkdir -p "$SCRATCH/app" "$SCRATCH/bare" "$SCRATCH/cwd"
cp "$INSTALLER" "$SCRATCH/app/QuillstationSetup.exe"
cp "$INSTALLER" "$SCRATCH/bare/QuillstationSetup.exe"
cp "$HELPERS/dll_search_probe.exe" "$SCRATCH/app/"
cp "$HELPERS/dll_search_probe.exe" "$SCRATCH/bare/"
cp "$PLANTED" "$SCRATCH/app/SHFOLDER.DLL"
cp "$PLANTED" "$SCRATCH/cwd/SHFOLDER.DLL"

run_in() {  # current directory, program, arguments...
  local dir=$1; shift
  rm -f "$MARKER"
  (cd "$dir" && run_wine "$@")
}

ensure_removed

# The control: a bare-name load takes the planted copy beside the program.
run_in "$SCRATCH/app" "$SCRATCH/app/dll_search_probe.exe" bare
check_eq "control: a bare-name load beside the program answers" 0 $?
check "control: and loads the planted copy" test -f "$MARKER"

# where | installer | current directory. Wine looks in its system folder before the
# current directory even for a bare name, so the rows with a planted current directory
# catch a load by a path into it (".\\SHFOLDER.DLL", a full path) rather than by search.
PLACES=(
  "beside the installer|$SCRATCH/app|$SCRATCH/app"
  "in the current directory|$SCRATCH/bare|$SCRATCH/cwd"
  "beside the installer and in the current directory|$SCRATCH/app|$SCRATCH/cwd"
)
for row in "${PLACES[@]}"; do
  IFS='|' read -r where folder cwd <<< "$row"
  run_in "$cwd" "$folder/QuillstationSetup.exe" -h -i
  check_eq "planted $where: install ends with 0" 0 $?
  check "planted $where: the product is installed" product_installed
  check "planted $where: install never loads the planted copy" test ! -e "$MARKER"
  run_in "$cwd" "$folder/QuillstationSetup.exe" -h -u
  check_eq "planted $where: removal ends with 0" 0 $?
  check "planted $where: the product is removed" product_absent
  check "planted $where: removal never loads the planted copy" test ! -e "$MARKER"
done

# The uninstall entry's command starts the installer's copy in the install folder; a
# copy planted beside it there is never loaded either, and goes with the folder.
run_in "$SCRATCH/bare" "$SCRATCH/bare/QuillstationSetup.exe" -h -i
cp "$PLANTED" "$PRODUCT_DIR_UNIX/SHFOLDER.DLL"
rm -f "$MARKER"
run_wine "$PRODUCT_DIR_WIN\\QuillstationSetup.exe" -h -u
check_eq "planted beside the installed copy: its removal ends with 0" 0 $?
check "planted beside the installed copy: the product is removed" product_absent
check "planted beside the installed copy: removal never loads the planted copy" test ! -e "$MARKER"

finish
