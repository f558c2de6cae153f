#!/bin/sh
# Builds the Windows deliverables (tools/build-windows.sh) and packs what
# goes onto a board into dist/lumagraph-toolkit-<version>-win64.zip and
# -win32.zip, then checks each archive's files, every binary's version
# resource with the cross tools and every signature with osslsigncode.
#
# Every Windows binary is signed (Authenticode, SHA-256; the driver with
# page hashes, before the programs embed it). A release names its
# certificate and key: LUMA_SIGN_CERT, LUMA_SIGN_KEY (and optionally
# LUMA_SIGN_PASS_FILE, LUMA_SIGN_TIMESTAMP, and LUMA_SIGN_CA for the check
# when the certificate's authority is not a public one). Without them each
# run makes a throwaway test certificate, which the archive ships and whose
# use on a test board its README.txt explains.
# Usage: tools/package-windows.sh [win64|win32|all]   (default: all)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
what="${1:-all}"
case "$what" in
  win64|win32) archs=$what ;;
  all) archs="win64 win32" ;;
  *) echo "usage: $0 [win64|win32|all]" >&2; exit 2 ;;
esac
if [ -n "${LUMA_SIGN_CERT:-}${LUMA_SIGN_KEY:-}" ]; then
  for f in "${LUMA_SIGN_CERT:-}" "${LUMA_SIGN_KEY:-}"; do
    [ -n "$f" ] && [ -f "$f" ] || { echo "$0: a release signature needs both LUMA_SIGN_CERT and LUMA_SIGN_KEY to name files" >&2; exit 2; }
  done
  echo "Signing with the release certificate $LUMA_SIGN_CERT"
else
  # A new test certificate for this run: the build makes it when it is missing.
  for arch in $archs; do rm -rf "$root/build-$arch/signing"; done
  echo "Signing with a throwaway test certificate (set LUMA_SIGN_CERT and LUMA_SIGN_KEY for a release)"
fi
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
