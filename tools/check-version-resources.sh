#!/bin/sh
# Reads the version resource back from Windows binaries with the cross
# tools and checks what Explorer's properties and inventory tools show:
# file and product version 1.15.3664, the product name, the file's own
# name and a description.
# Usage: tools/check-version-resources.sh <mingw triple> <file>...
set -e
triple="$1"; shift
version=1.15.3664
status=0
[ $# -gt 0 ] || { echo "$0: no binaries to check" >&2; exit 1; }
for f in "$@"; do
  name=$(basename "$f")
  # windres reads a PE file's resources back as a resource script.
  if ! rc=$("$triple-windres" -i "$f" -J coff -O rc 2>&1); then
    echo "$name ($triple): windres cannot read its resources: $rc" >&2; status=1; continue
  fi
  block=$(printf '%s\n' "$rc" | sed -n '/^[0-9]* VERSIONINFO/,/^END/p')
  if [ -z "$block" ]; then
    echo "$name ($triple) carries no version resource" >&2; status=1; continue
  fi
  value() { printf '%s\n' "$block" | sed -n "s/^[[:space:]]*VALUE \"$1\", \"\(.*\)\"$/\1/p"; }
  for want in "FILEVERSION 1, 15, 3664, 0" "PRODUCTVERSION 1, 15, 3664, 0"; do
    printf '%s\n' "$block" | grep -q "^[[:space:]]*$want\$" ||
      { echo "$name ($triple): no $want in its version resource" >&2; status=1; }
  done
  # field|what it must hold
  while IFS='|' read -r field want; do
    got=$(value "$field")
    [ "$got" = "$want" ] || { echo "$name ($triple): $field is '$got', not '$want'" >&2; status=1; }
  done <<TABLE
FileVersion|$version
ProductVersion|$version
ProductName|Lumagraph toolkit
OriginalFilename|$name
InternalName|${name%.*}
TABLE
  [ -n "$(value FileDescription)" ] || { echo "$name ($triple): no FileDescription" >&2; status=1; }
done
[ $status -eq 0 ] && echo "$triple: $# binaries carry version $version with their own names and descriptions"
exit $status
