#!/bin/sh
# Builds the Windows deliverables (tools/build-windows.sh) and packs what
# goes onto a board into dist/lumagraph-toolkit-<version>-win64.zip and
# -win32.zip, then checks each archive's files and every binary's version
# resource with the cross tools.
# Usage: tools/package-windows.sh [win64|win32|all]   (default: all)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
what="${1:-all}"
case "$what" in
  win64|win32) archs=$what ;;
  all) archs="win64 win32" ;;
  *) echo "usage: $0 [win64|win32|all]" >&2; exit 2 ;;
esac
"$root/tools/build-windows.sh" "$what"

mkdir -p "$root/dist"
status=0
for arch in $archs; do
  build="$root/build-$arch"
  case $arch in win64) triple=x86_64-w64-mingw32 ;; *) triple=i686-w64-mingw32 ;; esac
  rm -rf "$build/package"
  (cd "$build" && cpack -G ZIP -B "$build/package" >/dev/null)
  for zip in "$build"/package/lumagraph-toolkit-*-"$arch".zip; do
    mv "$zip" "$root/dist/"
    "$root/tools/check-windows-archive.sh" "$root/dist/$(basename "$zip")" "$build" "$triple" || status=1
  done
  # The binaries that stay off the board carry their version too.
  inside=""
  for f in "$build/bin/hwpeek.sys" "$build/simlib/test_mini_dll.dll" "$build/dsetup/Dsetup.dll"; do
    [ -e "$f" ] && inside="$inside $f"
  done
  # shellcheck disable=SC2086
  "$root/tools/check-version-resources.sh" "$triple" $inside || status=1
done
[ $status -eq 0 ] && echo "Archives in $root/dist:" && ls "$root/dist"
exit $status
