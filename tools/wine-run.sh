#!/bin/sh
# Runs a 64-bit Windows program of a cross build under wine64. The wine
# prefix lives in the build folder (beside bin/) unless WINEPREFIX is set,
# and is created on first use under a lock so parallel runs share it.
set -e
exe="$1"
[ -n "$exe" ] || { echo "usage: wine-run.sh program.exe [args...]" >&2; exit 2; }
wine64="${LUMA_WINE64:-/usr/lib/wine/wine64}"
[ -x "$wine64" ] || wine64=$(command -v wine64) || { echo "wine64 not found" >&2; exit 2; }
if [ -z "$WINEPREFIX" ]; then
  bindir=$(cd "$(dirname "$exe")" && pwd)
  WINEPREFIX="$(dirname "$bindir")/wineprefix"
fi
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}"
# No window system: wine must not try to show dialogs.
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || "$wine64" wineboot -i >/dev/null 2>&1 || true
    "$(dirname "$wine64")/wineserver" -w 2>/dev/null || true
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine64" "$@"
