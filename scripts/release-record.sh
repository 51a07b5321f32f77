#!/usr/bin/env bash
# The record of released product files: which product files each installer version was
# built with, so that one version never ships two sets of them. Every rule that tells
# installed releases apart reads the installer's version alone (its DisplayVersion), so a
# new set of product files must come with a version above every earlier one.
#   release-record.sh check RECORD VERSION DIR   may VERSION package DIR's product files?
#   release-record.sh add RECORD VERSION DIR     records them, unless recorded already
# RECORD is a text file (product/releases.txt for scripts/build.sh --product-dir): '#'
# lines are comments, every other line is "VERSION SHA-256 NAME" for one product file, the
# files of one version in package order. An empty VERSION is the one of setup/product.h.
# check allows a version recorded with the same files (a rebuild of that release) and a
# version above every recorded one; anything else ends with a message that names the
# version to raise, and exit code 1. Exit code 2 for a wrong call.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 4 ] && { [ "$1" = check ] || [ "$1" = add ]; } ||
  { echo "release-record.sh: check|add RECORD VERSION DIR" >&2; exit 2; }
action=$1 record=$2 version=$3 dir=$4
fail() { echo "release-record.sh: $*" >&2; exit 1; }
product_h=$root/setup/product.h
[ -n "$version" ] ||
  version=$(sed -n 's/^inline constexpr char INSTALLER_VERSION_TEXT\[\] = "\([^"]*\)";.*/\1/p' "$product_h")
# Four numbers of a Windows version block, each at most 65535, without leading zeros.
VERSION_FIELD_MAX=65535
[[ "$version" =~ ^(0|[1-9][0-9]{0,4})(\.(0|[1-9][0-9]{0,4})){3}$ ]] ||
  fail "version '$version' is not four dotted numbers (like 1.0.8.0)"
for field in ${version//./ }; do
  [ "$field" -le "$VERSION_FIELD_MAX" ] || fail "version $version: $field is above $VERSION_FIELD_MAX"
done

# This build's lines: the product files that setup/product.h names, in its order.
names=$(sed -n 's/^inline constexpr const char\* PACKAGED_FILE_NAMES\[\] = {\(.*\)};.*/\1/p' "$product_h" |
  grep -o '"[^"]*"' | tr -d '"')
[ -n "$names" ] || fail "no product file names in $product_h"
current=""
while read -r name; do
  [ -f "$dir/$name" ] || fail "no product file $name in $dir"
  current+="$version $(sha256sum "$dir/$name" | cut -c1-64) $name"$'\n'
done <<< "$names"

entries=""
[ ! -f "$record" ] || entries=$(grep -v '^#' "$record" | grep -v '^[[:space:]]*$' || true)
recorded=$(awk -v v="$version" '$1 == v' <<< "$entries")
if [ -n "$recorded" ]; then
  [ "$recorded"$'\n' != "$current" ] || exit 0  # a rebuild of a recorded release
  changed=$({ diff <(echo "$recorded") <(printf '%s' "$current") || true; } | sed -n 's/^> [^ ]* [^ ]* //p' |
    paste -sd ' ')
  newest=$(awk '{ print $1 }' <<< "$entries" | sort -V | tail -n 1)
  fail "version $version was released with other product files (changed: ${changed:-their order};" \
    "recorded in $record): raise --version above $newest for these files"
fi
if [ -n "$entries" ]; then
  newest=$(awk '{ print $1 }' <<< "$entries" | sort -V | tail -n 1)
  [ "$(printf '%s\n' "$newest" "$version" | sort -V | tail -n 1)" = "$version" ] ||
    fail "version $version is below $newest, the newest release in $record: raise --version above $newest"
fi
[ "$action" = add ] || exit 0
printf '%s' "$current" >> "$record"
echo "release-record.sh: version $version and its product files recorded in $record (commit it with the release)"
