#!/usr/bin/env bash
# Builds everything and runs the whole test suite: once as built, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, every fuzz target for a
# few seconds on its corpus, then the Windows build
# (cross-built with mingw-w64 for 64 and 32 bits, its tests and the report
# tool and the GUI run under wine64). Installs the Debian packages it needs first when
# they are missing (as root).
#   --quick   the first pass only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
  esac
done

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev)
# The Python package's tests: pytest, and venv for the offline pip install.
packages+=(python3-pytest python3-venv)
[ "$quick" -eq 1 ] || packages+=(clang g++-mingw-w64 wine64 xvfb xdotool x11-apps imagemagick)
missing=()
# pkg-config builds a program against the installed library in a test.
packages+=(pkgconf)
# The Windows binaries are signed (osslsigncode), with a test certificate
# made by openssl unless a release one is given.
[ "$quick" -eq 1 ] || packages+=(osslsigncode openssl)
# nlohmann-json writes the JSON (run records, --regdb); the JUnit and JSON
# files and the register map are read back with real consumers (a JUnit
# parser, an XML parser, a JSON Schema validator) under pytest.
packages+=(nlohmann-json3-dev python3-pytest python3-junitparser python3-lxml python3-jsonschema)
# The report page's tests open it in a real browser.
packages+=(chromium)
# luma_cli parses its options with CLI11 (header-only; the Windows build uses
# the same header).
packages+=(libcli11-dev)
# luma_cli's line editor at a Linux terminal, and python3 whose pty module
# drives it in the terminal tests.
packages+=(libedit-dev python3)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then echo "run as root, or install: ${missing[*]}" >&2; exit 1; fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
run_pass() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMA_BUILD_TESTS=ON -DLUMA_BUILD_BENCH=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  # Tests that share the simulated machine's default state use their own
  # folders, so they may run in parallel.
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

echo "== build and test"
run_pass "$root/build"
if [ "$quick" -eq 0 ]; then
  echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
    run_pass "$root/build-sanitize" -DLUMA_SANITIZE=ON -DLUMA_BUILD_BENCH=OFF
  echo "== fuzz targets, a few seconds each from their corpus"
  LUMA_JOBS=$jobs "$root/tools/fuzz.sh" 3
  echo "== Windows: cross-build for 64 and 32 bits, check the exports, pack and check the board archives"
  LUMA_JOBS=$jobs "$root/tools/package-windows.sh" all
  echo "== Windows: tests and the report tool under wine64"
  "$root/tests/windows/run-wine-tests.sh" "$root/build-win64"
fi
