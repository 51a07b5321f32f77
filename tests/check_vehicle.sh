#!/usr/bin/env bash
# The choice of the Windows build the tests run on (scripts/vehicle.sh): the decision for
# every forced value and probe answer; the probe's structure as data (every host), its run
# under an i386 emulator and its agreement with Wine's 32-bit loader (where each is at hand).
#   check_vehicle.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
. "$1/scripts/vehicle.sh"
scratch=$2
failures=0
checks=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() {  # forced, probe answer, expected vehicle, expected reason (a fixed string)
  local got vehicle why
  checks=$((checks + 1))
  got=$(qs_vehicle_decide "$1" "$2")
  vehicle=${got%%$'\t'*} why=${got#*$'\t'}
  if [ "$vehicle" != "$3" ] || [[ "$why" != *"$4"* ]]; then
    fail "QS_VEHICLE='$1', runs 32-bit: $2: expected $3 ($4), got $vehicle ($why)"
  fi
}
expect "" yes i686 "runs 32-bit programs"
expect "" no x86_64 "runs no 32-bit programs"
expect x86_64 yes x86_64 "QS_VEHICLE=x86_64 asks for it"
expect i686 no none "this host runs no 32-bit programs"
expect x86 yes none "neither i686 nor x86_64"

# The probe as data, on every host: an i386 executable whose one program header is a
# loadable, executable segment inside the file that holds its entry point. A probe that
# cannot start anywhere would silently move every host to the x86-64 build.
probe=$(qs_write_probe "$scratch")
elf=$(readelf -hlW "$probe" 2>&1)
field() { sed -n "s/^ *$1: *//p" <<< "$elf"; }
load=$(awk '$1 == "LOAD"' <<< "$elf")  # type, offset, address, physical address, sizes, flags, alignment
read -r _ offset vaddr _ filesz _ <<< "$load"
entry=$(field 'Entry point address')
checks=$((checks + 1))
if [ "$(field Class)" != ELF32 ] || [ "$(field Machine)" != "Intel 80386" ] || [[ "$(field Type)" != EXEC* ]] ||
  [ "$(field 'Number of program headers')" != 1 ] || ! [[ "$load" =~ E\ +0x[0-9a-f]+$ ]] ||
  ((entry < vaddr || entry >= vaddr + filesz || offset + filesz > $(stat -c %s "$probe"))); then
  fail "the probe is not an i386 executable whose one loadable, executable segment in the file holds its entry point"
fi

# Run, where something can run it: an i386 emulator (qemu-user) on any host, and Wine's
# 32-bit loader agreeing with the probe's answer. A run that cannot happen says so.
if command -v qemu-i386 >/dev/null; then
  checks=$((checks + 1))
  qemu-i386 "$probe" 2>/dev/null || fail "the probe does not exit 0 under qemu-i386"
else
  echo "not run: the probe under an i386 emulator (no qemu-i386 on this host)"
fi
rm -f "$probe"
answer=$(qs_probe_32bit "$scratch")
echo "probe: this host runs 32-bit programs: $answer"
if [ -x /usr/lib/wine/wine ]; then
  checks=$((checks + 1))
  loader=no
  /usr/lib/wine/wine --version >/dev/null 2>&1 && loader=yes
  [ "$answer" = "$loader" ] || fail "the probe says $answer, Wine's 32-bit loader starts: $loader"
else
  echo "not run: the probe against Wine's 32-bit loader (not installed on this host)"
fi
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
