#!/usr/bin/env bash
# The record of released product files (scripts/release-record.sh): which versions may
# package which product files, what a refusal says, what is recorded; and a release build
# (scripts/build.sh --product-dir --version) that stops on a refusal before it builds.
#   check_releases.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
source=$1
scratch=$(mktemp -d "$2/releases.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
checks=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
record=$scratch/releases.txt
product=$scratch/product
mkdir -p "$product"
for name in Quillstation.exe readme.txt Quill_Frmw_1.6.0.hex; do echo "$name of 1.0.8.0" > "$product/$name"; done
record_tool() { bash "$source/scripts/release-record.sh" "$@" >/dev/null 2>"$scratch/message"; }

checks=$((checks + 1))
record_tool add "$record" 1.0.8.0 "$product" || fail "the first release is not recorded: $(cat "$scratch/message")"
lines=$(grep -c '^1\.0\.8\.0 [0-9a-f]\{64\} ' "$record")
checks=$((checks + 1))
[ "$lines" = 3 ] || fail "the record holds $lines lines of 1.0.8.0, not one per product file"

# what | version | file changed before the check | exit code | words of the message
ROWS=(
  "a rebuild of the recorded release|1.0.8.0||0|"
  "the recorded version with another read-me|1.0.8.0|readme.txt|1|changed: readme.txt;*raise --version above 1.0.8.0"
  "a version below the newest release|1.0.7.9||1|1.0.7.9 is below 1.0.8.0*raise --version above 1.0.8.0"
  "a number above a version block's|1.0.65536.0||1|65536 is above 65535"
)
for row in "${ROWS[@]}"; do
  IFS='|' read -r what version changed code words <<< "$row"
  [ -z "$changed" ] || echo "changed" >> "$product/$changed"
  record_tool check "$record" "$version" "$product"
  got=$?
  checks=$((checks + 1))
  [ "$got" = "$code" ] || fail "$what: exit code $got, expected $code ($(cat "$scratch/message"))"
  message=$(cat "$scratch/message")
  [ -z "$words" ] || [[ "$message" == *$words* ]] || fail "$what: the message [$message] lacks [$words]"
  [ -z "$changed" ] || sed -i '$d' "$product/$changed"
done

# A release build with other product files under a recorded version stops before it
# configures or compiles anything, and names the version to raise.
echo "changed" >> "$product/readme.txt"
QS_RELEASES_FILE=$record QS_BUILD_DIR=$scratch/build bash "$source/scripts/build.sh" --only-installer \
  --product-dir "$product" --version 1.0.8.0 >"$scratch/build.log" 2>&1
got=$?
checks=$((checks + 1))
[ "$got" = 1 ] && grep -q "raise --version above 1.0.8.0" "$scratch/build.log" ||
  fail "a release build of 1.0.8.0 with another read-me ended with $got, not 1 and a message to raise --version"
checks=$((checks + 1))
[ ! -e "$scratch/build" ] && [ "$(grep -vc '^#' "$record")" = 3 ] ||
  fail "a refused build made a build folder or changed the record"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
