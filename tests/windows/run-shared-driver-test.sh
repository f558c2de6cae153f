#!/bin/sh
# Two luma_cli.exe sessions at once under wine64 with its real service
# manager: the second finds the register access driver running for the
# first and uses it; the first to close leaves it running for the second,
# whose later requests still reach the driver (wine has no graphics device,
# so the driver answers a register read with "Invalid parameter"; a removed
# driver would be "File not found"); the last one removes service and image.
# Usage: tests/windows/run-shared-driver-test.sh [build folder]   (default: build-win64)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-win64}" && pwd)
run="$root/tools/wine-run.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
image="$WINEPREFIX/drive_c/windows/hwpeek.sys"
work=$(mktemp -d "${TMPDIR:-/tmp}/luma-wine-shared-XXXXXX")
failed=0

fail() { echo "FAIL (two sessions): $*" >&2; failed=1; }

# start <n>: luma_cli.exe --script in its own folder, reading a fifo.
start() {
  mkdir "$work/$1"
  cp "$build/bin/luma_cli.exe" "$work/$1/"
  mkfifo "$work/$1/in"
  (cd "$work/$1" && { "$run" ./luma_cli.exe --script < in > console.txt 2>&1; echo $? > status; }) &
}

# answers <n>: the register reads session n has answered so far.
answers() {
  [ -f "$work/$1/luma_cli.log" ] || { echo 0; return; }
  tr -d '\r' < "$work/$1/luma_cli.log" | grep -c '^Function: READ_MMIO, Exit Code' || true
}

# wait_answers <n> <count>: at most 60 s.
wait_answers() {
  i=0
  while [ "$(answers "$1")" -lt "$2" ]; do
    i=$((i + 1))
    [ $i -le 600 ] || { fail "session $1 answered no register read $2 in 60 s"; return 1; }
    sleep 0.1
  done
}

# last_answer <n>: the lines of session n's last register read.
last_answer() { tr -d '\r' < "$work/$1/luma_cli.log" | awk '/^Function: READ_MMIO$/ { text = "" } { text = text $0 "\n" } END { printf "%s", text }'; }

# expect_driver <n> <when>: the last read of session n reached the driver.
expect_driver() {
  if last_answer "$1" | grep -q 'Invalid parameter' && ! last_answer "$1" | grep -q 'File not found'; then
    echo "ok (two sessions): session $1's read reached the driver $2"
  else
    fail "session $1's read did not reach the driver $2:"; last_answer "$1" >&2
  fi
}

# wait_end <n>: the session ended with status 0.
wait_end() {
  i=0
  while [ ! -s "$work/$1/status" ]; do
    i=$((i + 1))
    [ $i -le 600 ] || { fail "session $1 did not end"; return 1; }
    sleep 0.1
  done
  [ "$(cat "$work/$1/status")" = 0 ] || { fail "session $1 exited with $(cat "$work/$1/status")"; cat "$work/$1/console.txt" >&2; }
}

start 1
exec 3>"$work/1/in"
echo "read_mmio 0x70180" >&3
wait_answers 1 1 && expect_driver 1 "while alone"
start 2
exec 4>"$work/2/in"
echo "read_mmio 0x70180" >&4
wait_answers 2 1 && expect_driver 2 "beside the first"
echo "quit" >&3
exec 3>&-
wait_end 1
[ -e "$image" ] || fail "the first session to close removed the driver's image"
echo "read_mmio 0x70180" >&4
wait_answers 2 2 && expect_driver 2 "after the first closed"
echo "quit" >&4
exec 4>&-
wait_end 2
[ ! -e "$image" ] || fail "hwpeek.sys is left in the Windows folder"
if "$run" reg query 'HKLM\System\CurrentControlSet\Services\hwpeek' >/dev/null 2>&1; then
  fail "the hwpeek service is left"
fi
if [ $failed -eq 0 ]; then
  echo "ok (two sessions): the last session removed service and image"
  rm -rf "$work"
else
  echo "kept $work" >&2
fi
exit $failed
