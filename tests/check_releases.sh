#!/usr/bin/env bash
# The record of released product files (scripts/release-record.sh): which versions may
# package which product files and what a refusal says; and a release build
# (scripts/build.sh --product-dir --version) that stops on a refusal before it builds.
#   check_releases.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
source=$1
scratch=$(mktemp -d "$2/releases.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
record=$scratch/releases.txt
product=$scratch/product
mkdir -p "$product"
for name in Quillstation.exe readme.txt Quill_Frmw_1.6.0.hex; do echo "$name of 1.0.8.0" > "$product/$name"; done
bash "$source/scripts/release-record.sh" add "$record" 1.0.8.0 "$product" >/dev/null || fail "the first release is not recorded"

# what | version | file changed first | exit code | words of the message; the last row is a
# release build, which must refuse before it makes a build folder or changes the record.
ROWS=(
  "a rebuild of the recorded release|1.0.8.0||0|"
  "the recorded version with another read-me|1.0.8.0|readme.txt|1|changed: readme.txt;*raise --version above 1.0.8.0"
  "a version below the newest release|1.0.7.9||1|1.0.7.9 is below 1.0.8.0*raise --version above 1.0.8.0"
  "a number above a version block's|1.0.65536.0||1|65536 is above 65535"
  "a release build with another read-me|1.0.8.0|readme.txt|1|raise --version above 1.0.8.0"
)
for row in "${ROWS[@]}"; do
  IFS='|' read -r what version changed code words <<< "$row"
  [ -z "$changed" ] || echo "changed" >> "$product/$changed"
  if [[ "$what" == "a release build"* ]]; then
    QS_RELEASES_FILE=$record QS_BUILD_DIR=$scratch/build bash "$source/scripts/build.sh" --only-installer \
      --product-dir "$product" --version "$version" >/dev/null 2>"$scratch/message"
  else
    bash "$source/scripts/release-record.sh" check "$record" "$version" "$product" >/dev/null 2>"$scratch/message"
  fi
  got=$? message=$(cat "$scratch/message")
  [ "$got" = "$code" ] && [[ "$message" == *$words* ]] || fail "$what: exit code $got, expected $code; [$message]"
  [ -z "$changed" ] || sed -i '$d' "$product/$changed"
done
[ ! -e "$scratch/build" ] && [ "$(grep -vc '^#' "$record")" = 3 ] ||
  fail "a refused build made a build folder or changed the record"

echo "$((${#ROWS[@]} + 2 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
