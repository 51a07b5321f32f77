#!/usr/bin/env bash
# README's and DEPLOY.md's tables hold the facts the code keeps in one place each: the
# exit codes (setup/exit_codes.h) in README's and DEPLOY.md's code tables and, with
# winget's kind of each, in DEPLOY.md's winget table; the uninstall entry's values
# (setup/uninstall_entry.h) in DEPLOY.md's list of them.
#   check_docs.sh SOURCE_DIR QSRELEASE
set -uo pipefail
source=$1
release=$2
"$release" fact version >/dev/null || { echo "FAIL - the release tool $release does not run"; exit 1; }
failures=0
checks=0
check_eq() {  # what, expected, actual
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    echo "FAIL - $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
# The rows of the first Markdown table after the line matching a heading pattern: its
# first column, or its first two joined by a space, one row a line, sorted.
table_rows() {  # file, pattern of the table's header line, columns (1 or 2)
  awk -v pattern="$2" -v columns="$3" '
    $0 ~ pattern { inside = 1; next }
    inside && /^\|---/ { next }
    inside && /^\|/ {
      split($0, cell, "|"); gsub(/[ `]/, "", cell[2]); gsub(/[ `]/, "", cell[3])
      print (columns == 2 ? cell[2] " " cell[3] : cell[2]); next }
    inside { exit }' "$1" | sed 's/ (.*//' | LC_ALL=C sort
}

codes=$("$release" fact exit-codes | cut -f1 | LC_ALL=C sort)
check_eq "README's exit-code table lists the codes of the code" "$codes" \
  "$(table_rows "$source/README.md" '^\| Exit code \| When \|' 1)"
check_eq "DEPLOY.md's exit-code table lists them" "$codes" \
  "$(table_rows "$source/DEPLOY.md" '^\| Code \| Meaning \|' 1)"
responses=$("$release" fact exit-codes | awk -F'\t' '$2 != "-" { print $1 " " $2 }' | LC_ALL=C sort)
check_eq "DEPLOY.md's winget table gives each failure code winget's kind the manifest does" "$responses" \
  "$(table_rows "$source/DEPLOY.md" '^\| Code \| `ReturnResponse`' 2 | sed 's/(.*//')"

deploy=$(tr '\n' ' ' < "$source/DEPLOY.md")
while read -r value; do
  checks=$((checks + 1))
  if ! grep -qF "\`$value\`" <<< "$deploy"; then
    echo "FAIL - DEPLOY.md does not name the uninstall entry's value $value"
    failures=$((failures + 1))
  fi
done < <("$release" fact entry-values)

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
