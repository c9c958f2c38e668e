# Sourced by everything that starts a Windows program: the project's own Wine
# prefix, and Wine's 64-bit loader called by its path. Debian's /usr/bin/wine
# picks the 32-bit loader once 32-bit Wine is installed, which fails outright
# on a kernel that cannot run 32-bit programs; nothing of ours is 32-bit.
WINE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# A lane of scripts/test (WENDRAKE_LANE) is a Wine session with an X display
# of its own, so that tests of different lanes run at once without sharing a
# desktop. The main lane keeps the default prefix, which the others copy.
WINE_LOGS="$WINE_ROOT/build"
if [[ -n ${WENDRAKE_LANE:-} ]]; then
  WINE_LOGS="$WINE_ROOT/build/lanes/$WENDRAKE_LANE"
  [[ $WENDRAKE_LANE == main ]] || export WINEPREFIX="$WINE_LOGS/prefix"
  if [[ -f $WINE_LOGS/display ]]; then DISPLAY=$(<"$WINE_LOGS/display") && export DISPLAY; fi
fi
export WINEPREFIX="${WINEPREFIX:-$WINE_ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko downloads, and no menu entries written into the user's home.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
# What a Wine program uses to start another 64-bit one.
export WINELOADER="$WINE"

# Windows path of a Linux path.
winpath() { "$WINE" winepath -w "$1" 2>/dev/null; }
