#!/usr/bin/env bash
# The shipped exe as the loader and Explorer see it: hardening flags,
# relocations, imports from Windows' own DLLs only, the embedded manifest and
# the version resource.
#   exe_test.sh EXE MANIFEST_SOURCE VERSION VERSION_NUMBERS
set -uo pipefail
exe=$1 manifest_source=$2 version=$3 numbers=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/wendrake-exe.XXXXXX")
trap 'rm -rf "$work"' EXIT

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

x86_64-w64-mingw32-objdump -p "$exe" >"$work/headers" || fail "objdump -p"

# The flags are listed under DllCharacteristics, one a line.
flags=$(awk '/^DllCharacteristics/ {on = 1; next} on && /^[\t ]+[A-Z_]+$/ {print $1; next} on {exit}' \
  "$work/headers")
for flag in DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA; do
  check "$flag is set" grep -qx "$flag" <<<"$flags"
done

# Without relocations the loader cannot move the image, whatever DYNAMIC_BASE says.
reloc_size=$(awk '/Base Relocation Directory/ {print $4; exit}' "$work/headers")
check "a non-empty base relocation directory (${reloc_size:-none})" test "$((16#${reloc_size:-0}))" -gt 0

mapfile -t dlls < <(awk '/DLL Name:/ {print tolower($3)}' "$work/headers")
check "imports kernel32.dll (the import table was read)" \
  grep -qx kernel32.dll < <(printf '%s\n' "${dlls[@]}")
for dll in "${dlls[@]}"; do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | shell32.dll | ole32.dll | oleaut32.dll | advapi32.dll | \
      comctl32.dll | msvcrt.dll | api-ms-win-*.dll) ;;
    *) fail "imports $dll, which Windows does not ship" ;;
  esac
done
echo "imports: ${dlls[*]}"

# The resources as they stand in the image, decompiled by windres.
res="$work/resources.rc"
x86_64-w64-mingw32-windres -i "$exe" -o "$res" || fail "windres cannot read the resources"
check "one manifest, id 1" test "$(grep -c '/\* RT_MANIFEST \*/' "$res")" = 1 -a \
  "$(grep -c '^1 24 /\* RT_MANIFEST \*/' "$res")" = 1
# Byte for byte the manifest the build wrote from window/wendrake.manifest,
# which is where its settings are reviewed.
awk '/^1 24 \/\* RT_MANIFEST \*\// {on = 1; next} on && /^BEGIN/ {next} on && /^END/ {exit}
     on {sub(/^ *"/, ""); sub(/"$/, ""); gsub(/""/, "\""); gsub(/\\n/, "\n"); printf "%s", $0}' \
  "$res" >"$work/manifest.xml"
check "the embedded manifest is the one the build wrote" cmp -s "$work/manifest.xml" "$manifest_source"
check "the assembly version is the project's" \
  grep -sqF "name=\"L-VORDANS.Wendrake\" version=\"$numbers\"" "$work/manifest.xml"

# The version resource Explorer's properties page shows, and the exe's icon.
for line in "FILEVERSION ${numbers//./, }" "PRODUCTVERSION ${numbers//./, }" "FILETYPE 0x1" \
  'BLOCK "040704B0"' 'VALUE "Translation", 0x407, 1200' 'VALUE "CompanyName", "L-VORDANS"' \
  'VALUE "FileDescription", "VUX-Wendrake Plotterauswahl"' "VALUE \"FileVersion\", \"$version\"" \
  "VALUE \"ProductVersion\", \"$version\"" 'VALUE "ProductName", "VUX-Wendrake"' \
  'VALUE "InternalName", "Wendrake"' 'VALUE "OriginalFilename", "Wendrake.exe"'; do
  check "resource: $line" grep -qxF "$line" <(sed 's/^ *//' "$res")
done
check "one language block" test "$(grep -c 'BLOCK "0' "$res")" = 1
check "the first icon group is the exe's own" \
  test "$(grep -m1 'RT_GROUP_ICON' "$res")" = "1 14 /* RT_GROUP_ICON */"

((failures)) && { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
