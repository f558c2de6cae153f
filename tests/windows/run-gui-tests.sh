#!/bin/sh
# Drives LUMAGUI.exe of a 64-bit cross build under wine64 on a virtual X
# display (Xvfb), with lumaui.dll and the simulation library
# test_mini_dll.dll beside it: picks pages with the mouse and entries with
# the keyboard, applies, answers the confirmation or lets it run out, and
# checks in the simulation library's state file what reached the driver.
# Each page is saved as a PNG screenshot in <build>/gui-screenshots/.
# Also: without the simulation library the program reports that the
# driver is missing; "NoAttribPage" = 1 in the registry hides the
# attributes page.
# Usage: tests/windows/run-gui-tests.sh [build folder]   (default: build-win64)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-win64}" && pwd)
wine64="${LUMA_WINE64:-/usr/lib/wine/wine64}"
wineserver="$(dirname "$wine64")/wineserver"
shots="$build/gui-screenshots"
for tool in Xvfb xdotool import; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is not installed (xvfb, xdotool, imagemagick)" >&2; exit 1; }
done
for f in bin/LUMAGUI.exe bin/lumaui.dll simlib/test_mini_dll.dll; do
  [ -f "$build/$f" ] || { echo "FAIL: $build/$f was not built" >&2; exit 1; }
done

# A prefix of its own: this one has a display, and wineserver -k at the
# end must not stop anything else.
export WINEPREFIX="$build/wineprefix-gui"
failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/luma-gui-XXXXXX")
xvfb_pid=
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "kept $work" >&2; fi
}
trap cleanup EXIT

# A display number nobody uses.
n=90
while :; do
  if [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    sleep 1
    kill -0 "$xvfb_pid" 2>/dev/null && break
  fi
  n=$((n + 1))
  [ $n -lt 140 ] || { echo "FAIL: no free X display" >&2; exit 1; }
done
export DISPLAY=":$n"
mkdir -p "$shots" "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || WINEDEBUG=-all "$wine64" wineboot -i >/dev/null 2>&1 || true

fail() { echo "FAIL: $*" >&2; failed=1; }

# The Driver Info page's labels, as the program carries them (its dialog
# texts are UTF-16 in the resources).
labels=$(strings -el "$build/bin/LUMAGUI.exe")
for label in "Product Name" "Version" "Build" "Date"; do
  printf '%s\n' "$labels" | grep -qx "$label" || fail "the Driver Info page has no label \"$label\""
  if printf '%s\n' "$labels" | grep -qx "$label:"; then fail "the Driver Info page's label reads \"$label:\""; fi
done

# window <title> [seconds] [least width]: the id of the visible top-level
# window with that title (message boxes share the sheet's title: the sheet
# is the wide one).
window() {
  i=0
  while [ $i -lt "${2:-30}" ]; do
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      width=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
      [ "${width:-0}" -ge "${3:-0}" ] && { echo "$w"; return 0; }
    done
    sleep 1; i=$((i + 1))
  done
  return 1
}
# gone <title> [seconds]: waits until no such window is shown.
gone() {
  i=0
  while [ $i -lt "${2:-30}" ]; do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 1; i=$((i + 1))
  done
  return 1
}
# start <folder> <with simulation library: yes|no>
start() {
  rm -rf "$1"; mkdir -p "$1"
  cp "$build/bin/LUMAGUI.exe" "$build/bin/lumaui.dll" "$1/"
  [ "$2" = yes ] && cp "$build/simlib/test_mini_dll.dll" "$1/"
  (cd "$1" && LUMA_SIM_STATE=state WINEDEBUG=-all,trace+msgbox,+debugstr "$wine64" LUMAGUI.exe >gui.log 2>&1 &)
  # The first window may be a message box that the sheet shows on start.
  window LUMAGUI 40 >/dev/null || { fail "LUMAGUI did not show a window"; return 1; }
  sleep 1
  sheet=$(window LUMAGUI 2 450) || sheet=
  [ -z "$sheet" ] || xdotool windowfocus --sync "$sheet" 2>/dev/null || true
}
keys() { xdotool key --delay 120 "$@"; sleep 0.7; }
# tab <n>: clicks the n-th tab of the sheet (1-based).
tab() {
  set -- 38 109 199 293 "$1"
  eval x=\$$5
  xdotool mousemove --window "$sheet" "$x" 16 click 1
  sleep 1
}
shot() { import -window "$sheet" "$shots/$1.png" && echo "screenshot $shots/$1.png"; }
# driver <key> <value>: the simulated driver holds that value.
driver() {
  have=$(tr -d '\r' < "$dir/state/lumagraph_driver.state" 2>/dev/null | sed -n "s/^$1=//p")
  [ "$have" = "$2" ] || fail "the driver's $1 is '$have' instead of $2 ($3)"
}
boxes() { grep -c "MSGBOX_OnInit L\"$1\"" "$dir/gui.log" || true; }
confirm_shown() { window "Monitor Settings" 10 >/dev/null || fail "no confirmation after $1"; }
# The sheet takes the keys again (there is no window manager to give it
# the focus back when a dialog closes).
refocus() { xdotool windowfocus --sync "$sheet" 2>/dev/null || true; sleep 0.5; }
finish() {
  what=$1
  # Cancel, at its place from the sheet's lower right corner.
  size=$(xdotool getwindowgeometry "$sheet" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
  set -- $size
  xdotool mousemove --window "$sheet" $(($1 - 126)) $(($2 - 16)) click 1
  if ! gone LUMAGUI 15; then
    fail "LUMAGUI did not close ($what)"
    "$wineserver" -k 2>/dev/null || true
  fi
  "$wineserver" -w 2>/dev/null || true
}

echo "== LUMAGUI.exe with the simulation library"
dir="$work/sim"
if start "$dir" yes && [ -n "$sheet" ]; then
  grep -q 'Sheet pages: Driver Info, Display Config, Display Attributes, Color Correction' "$dir/gui.log" ||
    fail "the sheet does not have its four pages"
  shot driver-info
  tab 2; shot display-config

  # Rotate the panel by 90 degrees and keep it.
  keys alt+o Down; keys alt+a
  confirm_shown "a rotation"
  driver rot.4 90 "rotation applied"
  confirm=$(window "Monitor Settings" 5) && import -window "$confirm" "$shots/monitor-settings.png" &&
    echo "screenshot $shots/monitor-settings.png"
  keys alt+y
  gone "Monitor Settings" 5 || fail "Yes did not close the confirmation"
  refocus

  # Flip it and let the countdown run out: the flip goes back, the kept
  # rotation stays.
  keys alt+f Down; keys alt+a
  confirm_shown "a flip"
  driver flip.4 1 "flip applied"
  gone "Monitor Settings" 25 || fail "the countdown did not close the confirmation"
  refocus
  driver flip.4 0 "flip reverted after 15 seconds"
  driver rot.4 90 "the kept rotation survives the revert"

  # This machine has no screen Windows could set a mode on: the change is
  # refused with its box, once, and nothing is confirmed.
  keys alt+r Up; keys alt+a
  sleep 1
  [ "$(boxes 'Set mode failed. Check the resolution!')" = 1 ] || fail "no single 'Set mode failed' box"
  keys Return
  refocus
  keys alt+r Down

  # Attributes: the backlight slider, the panel-fitting list, the dithering box.
  tab 3; shot display-attributes
  keys alt+p Tab Tab Tab Tab Right Tab Down Tab space
  keys alt+a
  confirm_shown "attribute changes"
  keys alt+y
  refocus
  driver attr.4.1 81 "backlight slider"
  driver attr.4.2 2 "panel fitting list, second entry"
  driver attr.4.3 0 "dithering unchecked"

  # Colour: gamma 1.1 on all channels kept; overlay brightness answered No.
  tab 4; shot color-correction
  keys alt+g Right; keys alt+a
  confirm_shown "a gamma change"
  keys alt+y
  refocus
  driver attr.4.35 2302755 "gamma 1.1 on each channel (0x232323)"
  keys alt+o alt+t Right; keys alt+a
  confirm_shown "an overlay change"
  driver overlay.brightness 33096 "overlay brightness 101"
  # Enter answers No.
  keys Return
  gone "Monitor Settings" 5 || fail "Enter did not close the confirmation"
  refocus
  driver overlay.brightness 32768 "overlay brightness back to 100"
  finish "simulation"
fi

echo "== LUMAGUI.exe without a driver"
dir="$work/nodriver"
if start "$dir" no; then
  sleep 1
  [ "$(boxes 'Error Detected! Aborting. Please verify if LUMA is active.')" = 1 ] ||
    fail "no 'Error Detected!' box without the driver"
  keys Return
  sheet=$(window LUMAGUI 10 450) || fail "no sheet after the 'Error Detected!' box"
  refocus
  tab 2; shot display-config-no-driver
  finish "no driver"
fi

echo "== LUMAGUI.exe with NoAttribPage = 1"
dir="$work/noattrib"
key=$(WINEDEBUG=-all "$wine64" reg query 'HKLM\HARDWARE\DEVICEMAP\VIDEO' /v '\Device\Video0' 2>/dev/null |
      tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*\\Registry\\Machine\\//p')
if [ -z "$key" ]; then
  fail "wine has no \\Device\\Video0"
elif WINEDEBUG=-all "$wine64" reg add "HKLM\\$key" /v NoAttribPage /t REG_DWORD /d 1 /f >/dev/null 2>&1 &&
     start "$dir" yes; then
  grep -q 'Sheet pages: Driver Info, Display Config, Color Correction' "$dir/gui.log" ||
    fail "NoAttribPage = 1 did not hide the attributes page"
  shot sheet-without-attributes
  finish "NoAttribPage"
  WINEDEBUG=-all "$wine64" reg delete "HKLM\\$key" /v NoAttribPage /f >/dev/null 2>&1 || true
fi

[ $failed -eq 0 ] && echo "ok: LUMAGUI.exe under wine64, screenshots in $shots"
exit $failed
