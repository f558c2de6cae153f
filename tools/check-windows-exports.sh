#!/bin/sh
# Checks a Windows build's deliverables without running them:
# - lumainfo.dll exports every LUMA_API function of include/lumainfo.h by
#   its undecorated name, and nothing that the header does not declare;
# - every program and library imports only system DLLs (the compiler's
#   runtime is linked in), so they run on a bare Windows.
# Usage: tools/check-windows-exports.sh <bin folder> <mingw triple>
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$1"; triple="$2"
objdump="$triple-objdump"
status=0

exports() {  # the export names of a PE file, one a line, sorted
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort
}

# Names declared with LUMA_API in the public header (the function name is
# the word before the first parenthesis).
want=$(sed -n 's/^LUMA_API[^(]*[^A-Za-z0-9_(]\([A-Za-z_][A-Za-z0-9_]*\)(.*/\1/p' "$root/include/lumainfo.h" | sort)
have=$(exports "$bin/lumainfo.dll")
missing=$(printf '%s\n' "$want" | comm -23 - "$(printf '%s\n' "$have" > "$bin/.exports" && echo "$bin/.exports")")
extra=$(printf '%s\n' "$want" | comm -13 - "$bin/.exports")
rm -f "$bin/.exports"
if [ -n "$missing" ]; then
  echo "lumainfo.dll ($triple) does not export (add them to lib/lumainfo/lumainfo.def):" $missing >&2
  status=1
fi
if [ -n "$extra" ]; then
  echo "lumainfo.dll ($triple) exports names the header does not declare:" $extra >&2
  status=1
fi

system_dlls='^(kernel32|user32|gdi32|advapi32|shlwapi|ole32|oleaut32|ws2_32|msvcrt|ntoskrnl|hal)\.(dll|exe)$'
for f in "$bin"/*.dll "$bin"/*.exe "$bin"/*.sys; do
  [ -e "$f" ] || continue
  for dll in $("$objdump" -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "$(basename "$f") ($triple) needs $dll, which Windows does not have" >&2
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "$triple: lumainfo.dll exports $(printf '%s\n' "$have" | wc -l) functions by undecorated name; all binaries need system DLLs only"
exit $status
