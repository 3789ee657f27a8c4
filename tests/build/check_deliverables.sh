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
exit $fail
