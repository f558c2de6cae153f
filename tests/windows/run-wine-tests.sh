#!/bin/sh
# Runs the Windows test suite of a 64-bit cross build under wine64:
#  1. every GoogleTest program of the build, through ctest (each program runs
#     under wine, see tools/wine-run.sh); hwpeek_service_tests installs the
#     kernel driver hwpeek.sys as a service in wine, opens \\.\HwPeekDev,
#     sends it requests, and stops and deletes it;
#  2. luma_qrt.exe and luma_cli.exe end to end in a fresh folder, with
#     test_mini_dll.dll beside them when the build has one (simulation mode)
#     and without it, checking their exit status and their report logs;
#     then two luma_cli.exe sessions at once sharing the driver
#     (tests/windows/run-shared-driver-test.sh);
#  3. LUMAGUI.exe driven on a virtual display (tests/windows/run-gui-tests.sh),
#     its page screenshots left in <build>/gui-screenshots/.
# Usage: tests/windows/run-wine-tests.sh [build folder]   (default: build-win64)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-win64}" && pwd)
run="$root/tools/wine-run.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
failed=0

echo "== GoogleTest programs under wine64"
# The prefix is created once before tests run side by side.
"$run" "$build/bin/luma_qrt.exe" /? >/dev/null 2>&1 || true
(cd "$build" && ctest -j2 --output-on-failure) || failed=1

# check_log <log> <what> <program>: the report log of an automatic run is complete.
check_log() {
  log="$1"; what="$2"; program="$3"
  if [ ! -s "$log" ]; then echo "FAIL ($what): no report log" >&2; return 1; fi
  tr -d '\r' < "$log" > "$log.txt"
  banner=$(echo "$program" | tr 'a-z' 'A-Z')
  if ! grep -q "^$banner:" "$log.txt"; then echo "FAIL ($what): no banner line in the log" >&2; return 1; fi
  opened=$(grep -c '^Function: [A-Z_0-9]*$' "$log.txt" || true)
  closed=$(grep -c '^Function: [A-Z_0-9]*, Exit Code: EXIT_[A-Z_]*$' "$log.txt" || true)
  if [ "$opened" -eq 0 ] || [ "$opened" -ne "$closed" ]; then
    echo "FAIL ($what): $opened commands started but $closed ended with an exit code" >&2; return 1
  fi
  if grep -q 'Exit Code: Unknown' "$log.txt"; then echo "FAIL ($what): an unknown exit code" >&2; return 1; fi
  if [ "$what" = "simulation library" ] &&
     ! grep -q '^Lumagraph Graphics Driver  *: 14\.21\.4436$' "$log.txt"; then
    echo "FAIL ($what): the simulation library did not answer the driver-version escape" >&2; return 1
  fi
  if ! grep -q '^Function: GET_OS_NAME, Exit Code: EXIT_OK$' "$log.txt"; then
    echo "FAIL ($what): get_os_name did not succeed" >&2; return 1
  fi
  # The MMIO dump of the report ends with its exit code even when the
  # machine has no register window to show.
  if ! grep -q '^Function: READ_MMIO_REGS, Exit Code: EXIT_OK$' "$log.txt"; then
    echo "FAIL ($what): read_mmio_regs did not run" >&2; return 1
  fi
  if [ "$program" = luma_cli ] && ! grep -q '^Function: GET_PCI_INFO, Exit Code: ' "$log.txt"; then
    echo "FAIL ($what): luma_cli did not run the full command set" >&2; return 1
  fi
  echo "ok ($what): $closed commands, each with its exit code"
}

# e2e <what> <with simulation library: yes|no> [program, default luma_qrt]
e2e() {
  program="${3:-luma_qrt}"
  dir=$(mktemp -d "${TMPDIR:-/tmp}/luma-wine-e2e-XXXXXX")
  cp "$build/bin/$program.exe" "$dir/"
  if [ "$2" = yes ]; then cp "$build/simlib/test_mini_dll.dll" "$dir/"; fi
  status=0
  (cd "$dir" && "$run" "./$program.exe" > console.txt 2>&1) || status=$?
  # The session removes the driver it installed.
  if [ -e "$WINEPREFIX/drive_c/windows/hwpeek.sys" ]; then
    echo "FAIL ($1): hwpeek.sys is left in the Windows folder" >&2; failed=1
  fi
  if [ $status -ne 0 ]; then
    echo "FAIL ($1): $program.exe exited with $status" >&2; cat "$dir/console.txt" >&2; failed=1
  elif ! grep -q "output redirected to $program.log" "$dir/console.txt"; then
    echo "FAIL ($1): the console does not name the log" >&2; failed=1
  elif ! check_log "$dir/$program.log" "$1" "$program"; then
    failed=1
  fi
  if [ $failed -eq 0 ]; then rm -rf "$dir"; else echo "kept $dir" >&2; fi
}

echo "== the driver's length-fault trace lines, through the kernel's formatter"
# The driver's DbgPrint lines reach wine's debugger-string channel; the
# service process inherits it only from a fresh wine server.
wine64="${LUMA_WINE64:-/usr/lib/wine/wine64}"
[ -x "$wine64" ] || wine64=$(command -v wine64)
"$(dirname "$wine64")/wineserver" -k 2>/dev/null || true
"$(dirname "$wine64")/wineserver" -w 2>/dev/null || true
traces="$build/hwpeek-traces.txt"
WINEDEBUG=+debugstr "$run" "$build/bin/hwpeek_service_tests.exe" > "$traces" 2>&1 || true
"$(dirname "$wine64")/wineserver" -k 2>/dev/null || true
for line in "Invalid outBuffLen=2, Expected=4" "Invalid inBuffLen=15 or outBuffLen=16, Expected=16"; do
  if grep -q "hwpeek : drv_device_control : Error ! $line" "$traces"; then
    echo "ok (trace): $line"
  else
    echo "FAIL (trace): no line \"$line\" in the driver's debugger output ($traces)" >&2; failed=1
  fi
done

echo "== luma_qrt.exe end to end"
e2e "real display settings" no
if [ -f "$build/simlib/test_mini_dll.dll" ]; then
  e2e "simulation library" yes
else
  echo "FAIL: $build/simlib/test_mini_dll.dll was not built" >&2; failed=1
fi
echo "== luma_cli.exe end to end"
e2e "luma_cli, real display settings" no luma_cli
echo "== two luma_cli.exe sessions sharing the driver"
"$root/tests/windows/run-shared-driver-test.sh" "$build" || failed=1
echo "== Ctrl-C through the platform layer, at a terminal (script gives wine one)"
if script -qec "\"$run\" \"$build/bin/console_interrupt_tests.exe\"" "$build/console-interrupt.txt" >/dev/null 2>&1; then
  echo "ok (Ctrl-C at the console)"
else
  echo "FAIL (Ctrl-C at the console): see $build/console-interrupt.txt" >&2; failed=1
fi
echo "== luma_cli.exe scripted from a pipe: no prompt, the log as on Linux"
dir=$(mktemp -d "${TMPDIR:-/tmp}/luma-wine-script-XXXXXX")
cp "$build/bin/luma_cli.exe" "$dir/"
status=0
printf 'get_os_name\nhelp get_os\nnonsense\nquit\n' |
  (cd "$dir" && "$run" ./luma_cli.exe --script > console.txt 2>&1) || status=$?
tr -d '\r' < "$dir/luma_cli.log" > "$dir/log.txt" 2>/dev/null || true
script_ok=1
for line in "Function: GET_OS_NAME, Exit Code: EXIT_OK" "// get_os_name" "No command found by the name: nonsense" \
            "ULTSUMMARY 1 0"; do
  grep -qxF "$line" "$dir/log.txt" || { echo "FAIL (luma_cli scripted): no line \"$line\" in the log" >&2; script_ok=0; }
done
if [ $status -ne 0 ] || grep -q 'luma> ' "$dir/console.txt" "$dir/log.txt"; then
  echo "FAIL (luma_cli scripted): exit status $status, or a prompt without a terminal" >&2; script_ok=0
fi
if [ $script_ok -eq 1 ]; then echo "ok (luma_cli scripted)"; rm -rf "$dir"; else failed=1; echo "kept $dir" >&2; fi
echo "== LUMAGUI.exe on a virtual display"
"$root/tests/windows/run-gui-tests.sh" "$build" || failed=1
exit $failed
