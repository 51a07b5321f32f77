#!/usr/bin/env bash
# Holds every #include of the product and the tools to the layers:
#   platform < package < setup < app     (a folder includes its own and lower folders;
#                                         the resource identifiers of resources/ are
#                                         below them all)
#   portable sources (X.cpp) and the headers they use need no Windows header, directly
#     or through another header, in every folder
#   tools/ (host programs) include portable headers only, and nothing of tests/; the
#     Windows programs of the benchmark (tools/bench/*_win.cpp) include no product header
#     that needs Windows
#   check_layers.sh SOURCE_ROOT
set -uo pipefail
root=${1:?source root}
cd "$root" || exit 2
LAYERS=(platform package setup app)
failures=0
checked=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }

rank() {  # folder of a project path -> its place in LAYERS, or -1; the resource
  local i  # identifiers (resources/) are shared with the resource scripts, below them all
  [ "${1%%/*}" = resources ] && { echo 0; return; }
  for i in "${!LAYERS[@]}"; do [ "${1%%/*}" = "${LAYERS[$i]}" ] && { echo "$i"; return; }; done
  echo -1
}
project_includes() { sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"; }
# Headers of the Windows SDK.
WINDOWS_HEADERS='^(windows|win[a-z0-9]*|sh[a-z]*|ole[a-z0-9]*|obj[a-z]*|oaidl|unknwn|sddl|commctrl|imm|psapi|servprov|accctrl|aclapi|mmsystem|uxtheme|knownfolders|wtsapi32)\.h$'
system_windows_includes() {
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$1" | grep -i -E "$WINDOWS_HEADERS"
}

# A header needs Windows when it includes a Windows header or a header that needs it.
declare -A NEEDS_WINDOWS
needs_windows() {  # project header path
  local header=$1 inc
  if [ -n "${NEEDS_WINDOWS[$header]:-}" ]; then [ "${NEEDS_WINDOWS[$header]}" = yes ]; return; fi
  NEEDS_WINDOWS[$header]=no  # a cycle reads as portable; cycles fail to compile anyway
  if [ -n "$(system_windows_includes "$header")" ]; then NEEDS_WINDOWS[$header]=yes; return 0; fi
  for inc in $(project_includes "$header"); do
    [ -f "$inc" ] && needs_windows "$inc" && { NEEDS_WINDOWS[$header]=yes; return 0; }
  done
  return 1
}

is_portable_file() { case "$1" in *_win.cpp) return 1 ;; *.cpp) return 0 ;; *) ! needs_windows "$1" ;; esac; }

mapfile -t product < <(find "${LAYERS[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort)
for file in "${product[@]}"; do
  own=$(rank "$file")
  for inc in $(project_includes "$file"); do
    checked=$((checked + 1))
    [ -f "$inc" ] || { fail "$file includes $inc, which is not a file of the tree"; continue; }
    theirs=$(rank "$inc")
    if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$own" ]; then
      fail "$file (${file%%/*}) includes $inc from a higher layer"
    fi
    if is_portable_file "$file" && needs_windows "$inc"; then
      fail "portable $file includes $inc, which needs Windows"
    fi
  done
  if is_portable_file "$file" && [ -n "$(system_windows_includes "$file")" ]; then
    fail "portable $file includes a Windows header: $(system_windows_includes "$file" | tr '\n' ' ')"
  fi
done

mapfile -t tools < <(find tools -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort)
for file in "${tools[@]}"; do
  for inc in $(project_includes "$file"); do
    checked=$((checked + 1))
    [ -f "$inc" ] || { fail "$file includes $inc, which is not a file of the tree"; continue; }
    needs_windows "$inc" && fail "tool $file includes $inc, which needs Windows"
    [ "${inc%%/*}" = tests ] && fail "tool $file includes $inc from the tests"
  done
  case "$file" in
    *_win.cpp) ;;
    *) [ -z "$(system_windows_includes "$file")" ] || fail "host tool $file includes a Windows header" ;;
  esac
done

echo "$checked includes checked"
[ "$failures" -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, $failures failed"
[ "$failures" -eq 0 ]
