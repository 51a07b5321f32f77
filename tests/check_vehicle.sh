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
le() { od -An -tu"$2" -j "$1" -N "$2" --endian=little "$probe" | tr -d ' '; }  # offset, width
size=$(stat -c %s "$probe")
checks=$((checks + 1))
if [ "$(head -c 4 "$probe" | od -An -tx1 | tr -d ' ')" != 7f454c46 ] || [ "$(le 4 1)" != 1 ] ||
  [ "$(le 5 1)" != 1 ] || [ "$(le 16 2)" != 2 ] || [ "$(le 18 2)" != 3 ]; then
  fail "the probe is not a 32-bit little-endian i386 executable"
elif [ "$(le 42 2)" != 32 ] || [ "$(le 44 2)" != 1 ]; then
  fail "the probe does not have exactly one 32-byte program header"
else
  entry=$(le 24 4) ph=$(le 28 4)
  type=$(le "$ph" 4) offset=$(le $((ph + 4)) 4) vaddr=$(le $((ph + 8)) 4) filesz=$(le $((ph + 16)) 4)
  flags=$(le $((ph + 24)) 4)
  if [ $((ph + 32)) -gt "$size" ] || [ "$type" != 1 ]; then
    fail "the probe's program header is not a loadable segment (type ${type:-none}, file of $size bytes)"
  elif [ $((offset + filesz)) -gt "$size" ] || [ $((flags & 1)) -eq 0 ] ||
    [ "$entry" -lt "$vaddr" ] || [ "$entry" -ge $((vaddr + filesz)) ]; then
    fail "the probe's segment does not hold its entry point as code inside the file"
  fi
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
