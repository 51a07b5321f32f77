#!/usr/bin/env bash
# The choice of the Windows build the tests run on (scripts/vehicle.sh): the decision for
# every forced value and probe answer, and the probe itself agreeing with Wine's 32-bit
# loader wherever that is installed.
#   check_vehicle.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
. "$1/scripts/vehicle.sh"
scratch=$2
failures=0
checks=0
expect() {  # forced, probe answer, expected vehicle, expected reason (a fixed string)
  local got vehicle why
  checks=$((checks + 1))
  got=$(qs_vehicle_decide "$1" "$2")
  vehicle=${got%%$'\t'*} why=${got#*$'\t'}
  if [ "$vehicle" != "$3" ] || [[ "$why" != *"$4"* ]]; then
    echo "FAIL - QS_VEHICLE='$1', runs 32-bit: $2: expected $3 ($4), got $vehicle ($why)"
    failures=$((failures + 1))
  fi
}
expect "" yes i686 "runs 32-bit programs"
expect "" no x86_64 "runs no 32-bit programs"
expect x86_64 yes x86_64 "QS_VEHICLE=x86_64 asks for it"
expect i686 no none "this host runs no 32-bit programs"
expect x86 yes none "neither i686 nor x86_64"

# The probe's answer is the 32-bit loader's: a probe that cannot start anywhere would
# silently move every host to the x86-64 build.
answer=$(qs_probe_32bit "$scratch")
echo "probe: this host runs 32-bit programs: $answer"
if [ -x /usr/lib/wine/wine ]; then
  checks=$((checks + 1))
  loader=no
  /usr/lib/wine/wine --version >/dev/null 2>&1 && loader=yes
  [ "$answer" = "$loader" ] || { echo "FAIL - the probe says $answer, Wine's 32-bit loader starts: $loader"; failures=$((failures + 1)); }
fi
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
