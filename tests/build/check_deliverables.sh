#!/usr/bin/env bash
# Usage: check_deliverables.sh OBJDUMP BIN_DIR SOURCE_DIR
set -u
objdump=$1 bin=$2 src=$3
fail=0
err() { echo "FAIL: $*"; fail=1; }

# Windows system DLLs that a deliverable may import (Windows compares
# library names without regard to case).
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll \
ole32.dll oleaut32.dll version.dll msvcrt.dll winmm.dll shlwapi.dll ws2_32.dll uxtheme.dll msimg32.dll "
declare -A defs=([Lumvika.dll]=strings/Lumvika.def [Merrowin.dll]=plugin/Merrowin.def
                 [Pellatch.dll]=automation/Pellatch.def [Tolvane.exe]=)
# The main library's export table, from which it declares its exports and
# its callers bind, lists exactly what its .def file exports.
table_pairs=$(sed -n 's/^\s*X(\([0-9]\+\), \([A-Za-z_][A-Za-z0-9_]*\),.*/\2 \1/p' "$src/interfaces/merrowin_exports.h" | sort)
def_pairs=$(sed -n 's/^\s*\([A-Za-z_][A-Za-z0-9_]*\)\s*@\s*\([0-9]\+\).*/\1 \2/p' "$src/plugin/Merrowin.def" | sort)
[ -n "$table_pairs" ] || err "no exports read from interfaces/merrowin_exports.h"
[ "$table_pairs" = "$def_pairs" ] ||
  err "export table and Merrowin.def differ: $(diff <(echo "$table_pairs") <(echo "$def_pairs") | grep '^[<>]' | tr '\n' ' ')"
echo "interfaces/merrowin_exports.h: $(echo "$table_pairs" | wc -l) exports as in Merrowin.def"

versions=()
for f in Lumvika.dll Merrowin.dll Pellatch.dll Tolvane.exe; do
  file="$bin/$f"
  [ -f "$file" ] || { err "$f was not built"; continue; }
  "$objdump" -f "$file" | grep -q "file format pei-i386" || err "$f is not PE32 i386"
  while read -r dll; do
    case "$allowed" in *" ${dll,,} "*) ;; *) err "$f imports $dll";; esac
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  def=${defs[$f]}
  if [ -n "$def" ]; then
    table=$("$objdump" -p "$file" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
    count=0
    while read -r name ord; do
      count=$((count + 1))
      # objdump lists "[ N] name" with N = ordinal - base; compare through the
      # export address table instead: "ordinal name" pairs from the def file
      # must appear as "[ord-base] name".
      echo "$table" | grep -qE "\]\s+$name\$" || err "$f does not export $name"
    done < <(sed -n 's/^\s*\([A-Za-z_][A-Za-z0-9_]*\)\s*@\s*\([0-9]\+\).*/\1 \2/p' "$src/$def")
    base=$("$objdump" -p "$file" | sed -n 's/^Ordinal Base\s*//p')
    while read -r name ord; do
      idx=$((ord - ${base:-1}))
      echo "$table" | grep -qE "^\s*\[\s*$idx\]\s+$name\$" || err "$f: $name is not at ordinal $ord"
    done < <(sed -n 's/^\s*\([A-Za-z_][A-Za-z0-9_]*\)\s*@\s*\([0-9]\+\).*/\1 \2/p' "$src/$def")
    echo "$f: $count exports checked"
  fi
  v=$(strings -el "$file" | grep -A1 -x ProductVersion | tail -1)
  [ -n "$v" ] || err "$f has no ProductVersion"
  versions+=("$v")
  echo "$f: PE32 i386, ProductVersion $v, imports: $("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done
[ "$(printf '%s\n' "${versions[@]}" | sort -u | wc -l)" -eq 1 ] || err "ProductVersions differ: ${versions[*]}"

# The engine stand-in of both releases: PE32 with the same imports rule, and
# the core exports exactly the entry points its sources mark, numbered from 1
# in name order, as the Winelib export list (.spec) of the same sources does.
spec=$(mktemp)
trap 'rm -f "$spec"' EXIT
declare -A engine=([7]="PGP_SDK.dll PGPSDK.dll PGPsdkNL.dll PGPsdkUI.dll PGPcl.dll PGPsc.dll"
                   [65]="PGPSDK.dll PGPsdkNL.dll PGPsdkUI.dll PGPclientLib.dll PGPsc.dll")
for release in 7 65; do
  sources=$(ls "$src"/standin/sdk/*.cpp)
  python3 "$src/standin/sdk/gen_spec.py" $release \
    "$src/standin/sdk/sdk_interface.h,$src/standin/sdkui/companion_api.h,$src/standin/sdknet/net_api.h" \
    "$spec" $sources || err "no export list for release $release"
  for f in ${engine[$release]}; do
    file="$bin/sdk$release/$f"
    [ -f "$file" ] || { err "sdk$release/$f was not built"; continue; }
    "$objdump" -f "$file" 2>/dev/null | grep -q "file format pei-i386" || { err "sdk$release/$f is not PE32 i386"; continue; }
    dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
    for dll in $dlls; do
      case "$allowed" in *" ${dll,,} "*) ;; *) err "sdk$release/$f imports $dll";; esac
    done
    case $f in PGP_SDK.dll|PGPSDK.dll) ;; *) echo "sdk$release/$f: PE32 i386, imports: $(echo $dlls)"; continue;; esac
    # "[index] name" rows of the export table, as "ordinal name".
    base=$("$objdump" -p "$file" | sed -n 's/^Ordinal Base\s*//p')
    have=$("$objdump" -p "$file" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
           | sed -n 's/^\s*\[\s*\([0-9]\+\)\]\s\+\(\S\+\)$/\1 \2/p' \
           | while read -r i n; do echo "$((i + ${base:-1})) $n"; done | sort)
    want=$(sed -n 's/^@ \S\+ \([A-Za-z_][A-Za-z0-9_]*\)(.*/\1/p' "$spec" | awk '{print NR, $1}' | sort)
    [ -n "$want" ] || err "release $release: empty export list"
    if [ "$have" != "$want" ]; then
      err "sdk$release/$f exports differ from the list of its sources:"
      diff <(echo "$want") <(echo "$have") | head -20
    fi
    echo "sdk$release/$f: PE32 i386, $(echo "$want" | wc -l) exports checked, imports: $(echo $dlls)"
  done
done
exit $fail
