# Sourced by the Wine scripts: points Wine at a private prefix under a state folder.
#   QS_WINE_DIR     state folder (holds prefix/, home/, display, xvfb.pid, arch, loader)
#   QS_WINE_ARCH    win32 (default) or win64
#   QS_WINE_LOADER  wine (default: Debian's wine script) or wine64 (Wine's 64-bit loader
#                   only, for hosts that run no 32-bit programs)
# What wine-start.sh recorded in the state folder wins over the environment.
: "${QS_WINE_DIR:?QS_WINE_DIR must name the Wine state folder}"
[ -s "$QS_WINE_DIR/arch" ] && QS_WINE_ARCH=$(cat "$QS_WINE_DIR/arch")
[ -s "$QS_WINE_DIR/loader" ] && QS_WINE_LOADER=$(cat "$QS_WINE_DIR/loader")
: "${QS_WINE_ARCH:=win32}" "${QS_WINE_LOADER:=wine}"
export QS_WINE_ARCH QS_WINE_LOADER
if [ "$QS_WINE_LOADER" = wine64 ]; then
  # wine, wineboot and winepath start the 64-bit loader (scripts/wine64/).
  loader_bin="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64"
  case ":$PATH:" in *":$loader_bin:"*) ;; *) PATH="$loader_bin:$PATH" ;; esac
  export PATH WINELOADER=/usr/lib/wine/wine64
fi
export WINEPREFIX="$QS_WINE_DIR/prefix"
export WINEARCH="$QS_WINE_ARCH"
export WINEDEBUG=-all
# No desktop menu entries, no Mono or Gecko installers.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d${QS_EXTRA_DLLOVERRIDES:+;$QS_EXTRA_DLLOVERRIDES}"
# Wine links the prefix's Desktop and Documents below HOME: keep them in the state folder.
export HOME="$QS_WINE_DIR/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$QS_WINE_DIR/run"
if [ -s "$QS_WINE_DIR/display" ]; then
  display=$(head -n 1 "$QS_WINE_DIR/display")
  case "$display" in
    *:*) export DISPLAY="$display" ;;   # a display of the user's (wine-start.sh --use-display)
    *) export DISPLAY=":$display" ;;    # our own Xvfb's number
  esac
fi
