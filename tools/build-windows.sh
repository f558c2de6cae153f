#!/bin/sh
# Cross-builds the Windows deliverables with mingw-w64:
#   build-win64/bin  64-bit: lumainfo.dll, luma_qrt.exe (both carrying the
#                    kernel driver hwpeek.sys, also built here) and
#                    the test programs (run them with tests/windows/run-wine-tests.sh);
#                    simlib/test_mini_dll.dll, the simulation library
#   build-win32/bin  32-bit: the same deliverables, checked statically only
# Usage: tools/build-windows.sh [win64|win32|all]   (default: all)
# Then checks that both lumainfo.dll files export every function of
# include/lumainfo.h by its undecorated name.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
what="${1:-all}"
jobs="${LUMA_JOBS:-2}"

build() {  # build <folder> <toolchain> <with tests: ON|OFF>
  cmake -S "$root" -B "$root/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" -DLUMA_PLATFORM=win32 \
    -DLUMA_BUILD_TESTS="$3" -DLUMA_BUILD_BENCH=OFF >/dev/null
  cmake --build "$root/$1" -j"$jobs"
}

case "$what" in
  win64|all) build build-win64 mingw-w64-x86_64.cmake ON
             "$root/tools/check-windows-exports.sh" "$root/build-win64/bin" x86_64-w64-mingw32 ;;
esac
case "$what" in
  win32|all) build build-win32 mingw-w64-i686.cmake OFF
             "$root/tools/check-windows-exports.sh" "$root/build-win32/bin" i686-w64-mingw32 ;;
esac
case "$what" in
  win64|win32|all) ;;
  *) echo "usage: $0 [win64|win32|all]" >&2; exit 2 ;;
esac
