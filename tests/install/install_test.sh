#!/bin/sh
# Installs the build into a fresh prefix, builds tests/install/consumer
# against it through the CMake package and through pkg-config, and runs both
# programs on built-in simulated machines: each must print the machine's
# graphics device and chipset name, and load lumainfo and the simulated
# machine from the prefix, never from the build tree.
# Usage: install_test.sh <build dir> <consumer source dir> <work dir> <C compiler>
set -eu
build=$1; consumer=$2; work=$3; cc=$4
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" || fail "cmake --install: $(cat "$work/install.log")"
pcfile=$(find "$prefix" -name lumainfo.pc)
[ -n "$pcfile" ] || fail "the install holds no lumainfo.pc"

# The CMake package: exactly the project the README shows.
cmake -S "$consumer" -B "$work/with-cmake" -G Ninja -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_PREFIX_PATH="$prefix" > "$work/with-cmake.log" 2>&1 ||
  fail "configuring against the CMake package: $(cat "$work/with-cmake.log")"
cmake --build "$work/with-cmake" > "$work/with-cmake-build.log" 2>&1 ||
  fail "building against the CMake package: $(cat "$work/with-cmake-build.log")"

# pkg-config, from the .pc file's own folder.
flags=$(PKG_CONFIG_PATH=$(dirname "$pcfile") pkg-config --cflags --libs lumainfo) ||
  fail "pkg-config does not know lumainfo"
# shellcheck disable=SC2086
"$cc" -o "$work/with-pkg-config" "$consumer/chipset.c" $flags || fail "building with pkg-config's flags ($flags)"
libdir=$(PKG_CONFIG_PATH=$(dirname "$pcfile") pkg-config --variable=libdir lumainfo)

# <program> <LD_LIBRARY_PATH for it>: the CMake build runs on its own run
# path, the pkg-config build on the library path its users set.
check_libraries() {
  for lib in liblumainfo.so libluma_sim.so; do
    where=$(LD_LIBRARY_PATH=$2 ldd "$1" | sed -n "s/^[[:space:]]*$lib => \([^ ]*\).*/\1/p")
    [ -n "$where" ] || fail "$(basename "$1") finds no $lib"
    case "$(realpath "$where")" in
      "$(realpath "$prefix")"/*) ;;
      *) fail "$(basename "$1") loads $lib from $where, outside the install" ;;
    esac
  done
}
check_libraries "$work/with-cmake/chipset" ""
check_libraries "$work/with-pkg-config" "$libdir"

# profile | what the program prints on it
while IFS='|' read -r profile want; do
  for program in "$work/with-cmake/chipset" "$work/with-pkg-config"; do
    state=$work/state-$(basename "$program")-$profile
    got=$(LD_LIBRARY_PATH=$libdir LUMA_SIM_PROFILE=$profile LUMA_SIM_STATE=$state "$program") ||
      fail "$(basename "$program") on $profile exits with $?"
    [ "$got" = "$want" ] || fail "$(basename "$program") on $profile prints '$got', not '$want'"
  done
done <<TABLE
dov|2B02 Varnel Lumagraph DOV-2 Graphics Controller
fyn|5E01 Varnel Lumagraph FYN Graphics Controller
TABLE
echo "installed into $prefix; both builds read the chipset name on the simulated machines"
