#!/bin/sh
# Checks a Windows build's deliverables without running them:
# - lumainfo.dll exports every LUMA_API function of include/lumainfo.h by
#   its undecorated name, and nothing that the header does not declare;
# - lumaui.dll exports the same without what it lacks, plus
#   opal_en_dis_port, and LUMAGUI.exe (a GUI program) imports only those;
# - test_mini_dll.dll exports its three entries, hwpeek.sys is a native
#   image, and luma_qrt.exe, luma_cli.exe, lumainfo.dll and lumaui.dll carry
#   it as "HWPEEKDEV" and the DirectX setup library as "dsetup";
# - every program and library imports only system DLLs (the compiler's
#   runtime is linked in), so they run on a bare Windows; test programs may
#   also import lumainfo.dll.
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

# lumaui.dll, the GUI's library: lumainfo's exports without those it lacks
# (registry, MMIO, CRC, frame buffer, video frame rate, golden htotal, debug
# volume), plus opal_en_dis_port; LUMAGUI.exe imports nothing else from it.
lacking='opal_get_reg_value opal_set_reg_value opal_del_reg opal_get_config_id opal_set_config_id
  opal_read_mmio_reg opal_write_mmio_reg opal_get_crc_values opal_get_frame_buffer opal_save_frame_buffer_bmp
  opal_free_frame_buffer opal_get_video_fps opal_video_fps_rate opal_get_golden_htotal opal_set_debug_volume
  opal_find_regs opal_free_regs opal_read_reg opal_write_reg'
ui_want=$( { printf '%s\n' "$want" | grep -vxF "$(printf '%s\n' $lacking)"; echo opal_en_dis_port; } | sort)
if [ ! -f "$bin/lumaui.dll" ]; then
  echo "lumaui.dll ($triple) was not built" >&2; status=1
else
  ui_have=$(exports "$bin/lumaui.dll")
  if [ "$ui_want" != "$ui_have" ]; then
    echo "lumaui.dll ($triple) exports differ from its list (lib/lumaui/lumaui.def):" >&2
    printf '%s\n' "$ui_want" > "$bin/.want"; printf '%s\n' "$ui_have" > "$bin/.have"
    diff "$bin/.want" "$bin/.have" | sed -n 's/^[<>]/&/p' >&2 || true
    rm -f "$bin/.want" "$bin/.have"
    status=1
  fi
fi
imports_from() {  # imports_from <PE file> <dll>: the names the file imports from that DLL
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { inside = (tolower($3) == dll); next }
    inside && NF == 0 { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' | sort -u
}
if [ ! -f "$bin/LUMAGUI.exe" ]; then
  echo "LUMAGUI.exe ($triple) was not built" >&2; status=1
else
  if ! "$objdump" -p "$bin/LUMAGUI.exe" | grep -q '^Subsystem.*(Windows GUI)'; then
    echo "LUMAGUI.exe ($triple) is not a GUI program" >&2; status=1
  fi
  gui_imports=$(imports_from "$bin/LUMAGUI.exe" lumaui.dll)
  if [ -z "$gui_imports" ]; then
    echo "LUMAGUI.exe ($triple) imports nothing from lumaui.dll" >&2; status=1
  fi
  unknown=$(printf '%s\n' "$gui_imports" | comm -23 - "$(printf '%s\n' "${ui_have:-}" > "$bin/.ui" && echo "$bin/.ui")")
  rm -f "$bin/.ui"
  if [ -n "$unknown" ]; then
    echo "LUMAGUI.exe ($triple) imports from lumaui.dll what it does not export:" $unknown >&2; status=1
  fi
fi

# The simulation library exports the session's three entries; the driver is
# a native-subsystem image whose entry is DriverEntry.
simlib="$bin/../simlib/test_mini_dll.dll"
if [ ! -f "$simlib" ]; then
  echo "test_mini_dll.dll ($triple) was not built" >&2; status=1
elif [ "$(exports "$simlib" | tr '\n' ' ')" != "bootup_sequence test_change_display_settings test_escape " ]; then
  echo "test_mini_dll.dll ($triple) exports" $(exports "$simlib") "instead of its three entries" >&2; status=1
fi
# The carried DirectX setup library exports its one entry undecorated.
dsetup="$bin/../dsetup/Dsetup.dll"
if [ ! -f "$dsetup" ]; then
  echo "Dsetup.dll ($triple) was not built" >&2; status=1
elif [ "$(exports "$dsetup" | tr '\n' ' ')" != "DirectXSetupGetVersion " ]; then
  echo "Dsetup.dll ($triple) exports" $(exports "$dsetup") "instead of DirectXSetupGetVersion" >&2; status=1
fi
if [ ! -f "$bin/hwpeek.sys" ]; then
  echo "hwpeek.sys ($triple) was not built" >&2; status=1
elif ! "$objdump" -p "$bin/hwpeek.sys" | grep -q '^Subsystem.*(NT native)'; then
  echo "hwpeek.sys ($triple) is not a native-subsystem image" >&2; status=1
fi
for f in "$bin/luma_qrt.exe" "$bin/luma_cli.exe" "$bin/lumainfo.dll" "$bin/lumaui.dll"; do
  # The driver image rides along as the resource "HWPEEKDEV" 101.
  "$triple-objcopy" -O binary -j .rsrc "$f" "$bin/.rsrc" 2>/dev/null || : > "$bin/.rsrc"
  # So does the DirectX setup library, as "dsetup" 104.
  for resource in HWPEEKDEV DSETUP; do
    found=$(tr -d '\000' < "$bin/.rsrc" | grep -ac "$resource" || true)
    if [ "$found" -eq 0 ]; then
      echo "$(basename "$f") ($triple) does not carry the resource $resource" >&2; status=1
    fi
  done
  rm -f "$bin/.rsrc"
done

system_dlls='^(kernel32|user32|gdi32|advapi32|shlwapi|ole32|oleaut32|ws2_32|msvcrt|comctl32|ntoskrnl|hal)\.(dll|exe)$'
for f in "$bin"/*.dll "$bin"/*.exe "$bin"/*.sys "$simlib" "$dsetup"; do
  [ -e "$f" ] || continue
  for dll in $("$objdump" -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    # A test program may load lumainfo.dll, as the library's users do; the
    # GUI program links against the GUI's library, which ships beside it.
    case "$(basename "$f")" in
      *_test.exe|*_tests.exe) [ "$lower" = lumainfo.dll ] && continue ;;
      LUMAGUI.exe) [ "$lower" = lumaui.dll ] && continue ;;
    esac
    if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls"; then
      echo "$(basename "$f") ($triple) needs $dll, which Windows does not have" >&2
      status=1
    fi
  done
done
# The console tool and the GUI's library link no hardware handler but read_mmio_regs.
for f in luma_qrt.exe lumaui.dll; do
  NM="$triple-nm" "$(dirname "$0")/check-command-tables.sh" "$bin/$f" "$bin/lumainfo.dll" >/dev/null || status=1
done

[ $status -eq 0 ] && echo "$triple: lumainfo.dll exports $(printf '%s\n' "$have" | wc -l) functions by undecorated name, lumaui.dll $(printf '%s\n' "$ui_have" | wc -l) ($(printf '%s\n' "$gui_imports" | wc -l) imported by LUMAGUI.exe); test_mini_dll.dll its three entries; hwpeek.sys is a native image carried with Dsetup.dll by luma_qrt.exe, luma_cli.exe, lumainfo.dll and lumaui.dll; all binaries need system DLLs only"
exit $status
