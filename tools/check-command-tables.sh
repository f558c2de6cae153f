#!/bin/sh
# Checks that a console deliverable links no hardware handler but
# read_mmio_regs: every handler the hardware table registers
# (commands/hardware_table.cpp) must be absent from the console binary's
# symbols and present in the full library's, which shows the check can
# see them at all.
# Usage: tools/check-command-tables.sh <console binary> <full library>
# NM selects the nm of another target (x86_64-w64-mingw32-nm for Windows).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
console="$1"
full="$2"
nm="${NM:-nm}"
if [ -z "$console" ] || [ -z "$full" ]; then
  echo "usage: $0 <console binary> <full library>" >&2
  exit 2
fi
handlers=$(sed -n 's/.*handler_row<[A-Z0-9_]*, *\(cmd_[a-z0-9_]*\)>.*/\1/p' "$root/commands/hardware_table.cpp" |
           grep -v '^cmd_read_mmio_regs$' || true)
if [ -z "$handlers" ]; then
  echo "no hardware handlers found in commands/hardware_table.cpp" >&2
  exit 1
fi
console_symbols=$("$nm" -C "$console")
full_symbols=$("$nm" -C "$full")
status=0
for h in $handlers; do
  if printf '%s\n' "$console_symbols" | grep -qw "$h"; then
    echo "$(basename "$console") carries the hardware handler $h" >&2
    status=1
  fi
  if ! printf '%s\n' "$full_symbols" | grep -qw "$h"; then
    echo "$(basename "$full") lacks the hardware handler $h (are its symbols stripped?)" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "$(basename "$console"): no hardware handler but read_mmio_regs ($(echo $handlers | wc -w) checked)"
exit $status
