#!/bin/sh
# Checks a board archive made by tools/package-windows.sh:
# - it holds exactly the files its build's manifest (windows-archive.txt)
#   lists, in one top folder named like the archive;
# - every file a board needs is there, or pending because its target is
#   not in this tree yet (reported, so it is never silently missing);
# - the test-only simulation library, which would switch the programs into
#   simulation, and the carried driver are not loose in it;
# - README.txt names every file and says to run as an administrator;
# - every binary in it needs only system DLLs and the archive's own, and
#   carries its version resource;
# - a C program links against lumainfo.dll through the archive's header
#   and import library;
# - every binary's Authenticode signature verifies (osslsigncode), against
#   the archive's test certificate when it ships one (its README then says
#   how a test board trusts it), else against the system's certificate
#   authorities or the file LUMA_SIGN_CA names; the driver is signed with
#   page hashes, and the driver and DirectX library each program carries are
#   byte for byte the signed ones of the build.
# Usage: tools/check-windows-archive.sh <archive.zip> <build dir> <mingw triple>
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
zip=$(realpath "$1"); build="$2"; triple="$3"
manifest="$build/windows-archive.txt"
top=$(basename "$zip" .zip)
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What a board needs, whatever the build's list says.
needed="luma_qrt.exe luma_cli.exe lumainfo.dll lumaui.dll LUMAGUI.exe ins.txt lumainfo.h lumainfo.lib README.txt"
never="test_mini_dll.dll hwpeek.sys Dsetup.dll"

(cd "$work" && cmake -E tar xf "$zip")
have=$(cd "$work" && find . -type f | sed 's|^\./||' | sort)
outside=$(printf '%s\n' "$have" | grep -v "^$top/[^/]*\$" || true)
[ -z "$outside" ] || { echo "$(basename "$zip"): files outside the top folder $top/:" $outside >&2; status=1; }
have=$(printf '%s\n' "$have" | sed -n "s|^$top/||p")
want=$(sed -n 's/^file //p' "$manifest" | sort)
pending=$(sed -n 's/^pending //p' "$manifest")

missing=$(printf '%s\n' "$want" | comm -23 - "$(printf '%s\n' "$have" > "$work/have" && echo "$work/have")")
extra=$(printf '%s\n' "$want" | comm -13 - "$work/have")
[ -z "$missing" ] || { echo "$(basename "$zip") lacks" $missing >&2; status=1; }
[ -z "$extra" ] || { echo "$(basename "$zip") holds files it should not:" $extra >&2; status=1; }
for f in $needed; do
  if ! grep -qx "$f" "$work/have"; then
    if printf '%s\n' "$pending" | grep -qx "$f"; then
      echo "$(basename "$zip"): $f is pending (not in this tree yet)"
    else
      echo "$(basename "$zip") lacks $f, which a board needs" >&2; status=1
    fi
  fi
done
for f in $never; do
  ! grep -qix "$f" "$work/have" || { echo "$(basename "$zip") must not hold $f" >&2; status=1; }
done

system_dlls='^(kernel32|user32|gdi32|advapi32|shlwapi|shell32|comctl32|comdlg32|ole32|oleaut32|ws2_32|msvcrt)\.dll$'
binaries=""
for f in "$work/$top"/*.exe "$work/$top"/*.dll; do
  [ -e "$f" ] || continue
  binaries="$binaries $f"
  for dll in $("$triple-objdump" -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    lower=$(printf '%s\n' "$dll" | tr 'A-Z' 'a-z')
    printf '%s\n' "$lower" | grep -Eq "$system_dlls" && continue
    tr 'A-Z' 'a-z' < "$work/have" | grep -qx "$lower" && continue
    echo "$(basename "$f") in $(basename "$zip") needs $dll, which neither Windows nor the archive has" >&2
    status=1
  done
done
# shellcheck disable=SC2086
"$root/tools/check-version-resources.sh" "$triple" $binaries || status=1
# A C program links against lumainfo.dll with the archive's header and
# import library alone.
if [ -f "$work/$top/lumainfo.lib" ]; then
  if ! "$triple-gcc" -I"$work/$top" -o "$work/chipset.exe" "$root/tests/install/consumer/chipset.c" \
       -L"$work/$top" -llumainfo 2> "$work/link.log"; then
    echo "$(basename "$zip"): a program does not link with lumainfo.h and lumainfo.lib: $(cat "$work/link.log")" >&2; status=1
  elif ! "$triple-objdump" -p "$work/chipset.exe" | grep -q "DLL Name: lumainfo.dll"; then
    echo "$(basename "$zip"): a program linked with lumainfo.lib does not import lumainfo.dll" >&2; status=1
  fi
fi
# README.txt says what each file is and how the programs must run.
readme="$work/$top/README.txt"
if [ -f "$readme" ]; then
  grep -q "administrator" "$readme" ||
    { echo "$(basename "$zip"): README.txt does not say to run the programs as an administrator" >&2; status=1; }
  while read -r f; do
    grep -q "^$f  " "$readme" || { echo "$(basename "$zip"): README.txt does not say what $f is" >&2; status=1; }
  done < "$work/have"
fi
# Signatures.
test_cert="$work/$top/lumagraph-test-signing.cer"
ca="${LUMA_SIGN_CA:-}"
if [ -f "$test_cert" ]; then
  openssl x509 -inform DER -in "$test_cert" -out "$work/trusted.pem"
  ca="$work/trusted.pem"
  for line in "bcdedit /set testsigning on" "certutil -addstore -f Root lumagraph-test-signing.cer" \
              "certutil -addstore -f TrustedPublisher lumagraph-test-signing.cer"; do
    grep -qF "  $line" "$readme" ||
      { echo "$(basename "$zip"): README.txt does not say how a test board trusts the certificate ($line)" >&2; status=1; }
  done
fi
grep -q "release" "$readme" ||
  { echo "$(basename "$zip"): README.txt does not say what a release board needs" >&2; status=1; }
verify_signature() {  # verify_signature <file> <what it is>
  if [ -n "$ca" ]; then
    osslsigncode verify -CAfile "$ca" -in "$1" > "$work/verify.log" 2>&1
  else
    osslsigncode verify -in "$1" > "$work/verify.log" 2>&1
  fi || { echo "$2: its signature does not verify: $(grep -v '^$' "$work/verify.log" | tail -n 2 | tr '\n' ' ')" >&2; status=1; }
}
for f in $binaries; do
  verify_signature "$f" "$(basename "$f") in $(basename "$zip")"
done
signed="$build/signed"
for carried in "hwpeek.sys HWPEEKDEV 101" "Dsetup.dll DSETUP 104"; do
  # shellcheck disable=SC2086
  set -- $carried
  if [ ! -f "$signed/$1" ]; then
    echo "$(basename "$zip"): the build has no signed $1 ($signed/$1)" >&2; status=1; continue
  fi
  verify_signature "$signed/$1" "the carried $1"
  if [ "$1" = hwpeek.sys ] && ! grep -qi "page hash" "$work/verify.log"; then
    echo "$(basename "$zip"): the carried hwpeek.sys is signed without page hashes" >&2; status=1
  fi
  for f in luma_qrt.exe luma_cli.exe lumainfo.dll lumaui.dll; do
    [ -f "$work/$top/$f" ] || continue
    if ! python3 "$root/tools/pe-resource.py" "$work/$top/$f" "$2" "$3" > "$work/carried" 2> "$work/carried.log"; then
      echo "$(basename "$zip"): $(cat "$work/carried.log")" >&2; status=1
    elif ! cmp -s "$work/carried" "$signed/$1"; then
      echo "$(basename "$zip"): $f carries a $1 other than the signed one of its build" >&2; status=1
    fi
  done
done
[ $status -eq 0 ] && echo "$(basename "$zip"): $(wc -l < "$work/have") files, as its build lists them, every signature verified"
exit $status
