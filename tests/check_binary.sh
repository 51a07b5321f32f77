#!/usr/bin/env bash
# The built installer is a Windows GUI program of the bitness it was built for (32: the
# shipped PE32 i386 image; 64: the x86-64 test vehicle, PE32+) that imports system DLLs
# only and no call that restarts the machine, and the stored link targets never appear
# in it as plain text.
#   check_binary.sh INSTALLER.exe OBJDUMP [32|64]
set -uo pipefail
exe=$1
objdump=${2:-i686-w64-mingw32-objdump}
bits=${3:-32}
failures=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe")
if [ "$bits" = 64 ]; then
  grep -q 'file format pei-x86-64' <<<"$headers" || fail "not a PE32+ x86-64 image"
  grep -q '^Magic.*(PE32+)' <<<"$headers" || fail "optional header is not PE32+"
else
  grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 i386 image"
  grep -q '^Magic.*(PE32)' <<<"$headers" || fail "optional header is not PE32"
fi
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "subsystem is not Windows GUI"

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|SHLWAPI|VERSION|MSVCRT)\.DLL$'
while read -r dll; do
  echo "import: $dll"
  grep -qiE "$allowed" <<<"$dll" || fail "imports a non-system DLL: $dll"
done < <(grep 'DLL Name:' <<<"$headers" | awk '{print $3}')

# It never restarts or shuts down the machine: none of the calls that could is imported
# or named for a look-up at run time.
for call in ExitWindowsEx InitiateSystemShutdown InitiateShutdown; do
  if grep -qaF "$call" "$exe"; then fail "names $call"; fi
done

for link in "quill.velto.example"; do
  if grep -qaF "$link" "$exe"; then fail "plain link text found: $link"; fi
done

[ "$failures" -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, $failures failed"
[ "$failures" -eq 0 ]
