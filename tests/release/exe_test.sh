#!/usr/bin/env bash
# The shipped exe as the loader and Explorer see it: hardening flags,
# relocations, imports from Windows' own DLLs only, the embedded manifest and
# the version resource.
#   exe_test.sh EXE PROBE MANIFEST_SOURCE VERSION VERSION_NUMBERS
set -uo pipefail
exe=$1 probe=$2 manifest_source=$3 version=$4 numbers=$5
: "${WINEPREFIX:?the Wine prefix of scripts/test}"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/wendrake-exe.XXXXXX")
trap 'rm -rf "$work"' EXIT

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

x86_64-w64-mingw32-objdump -p "$exe" >"$work/headers" || fail "objdump -p"
x86_64-w64-mingw32-objdump -h "$exe" >"$work/sections" || fail "objdump -h"

# The flags are listed under DllCharacteristics, one a line.
flags=$(awk '/^DllCharacteristics/ {on = 1; next} on && /^[\t ]+[A-Z_]+$/ {print $1; next} on {exit}' \
  "$work/headers")
for flag in DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA; do
  check "$flag is set" grep -qx "$flag" <<<"$flags"
done

# Without relocations the loader cannot move the image, whatever DYNAMIC_BASE says.
check "a .reloc section" grep -qE '^ +[0-9]+ \.reloc ' "$work/sections"
reloc_size=$(awk '/Base Relocation Directory/ {print $4; exit}' "$work/headers")
check "a non-empty base relocation directory ($reloc_size)" \
  test -n "$reloc_size" -a "$((16#${reloc_size:-0}))" -gt 0

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

# The manifest as Windows finds it: resource 1 of type RT_MANIFEST.
manifest="$work/manifest.xml"
"$WINE" "$probe" manifest "$(winpath "$exe")" "$(winpath "$manifest")" >"$work/probe.out" 2>&1
check "the exe embeds one manifest, id 1" grep -qx 'manifest-id=1' <(tr -d '\r' <"$work/probe.out")
check "just one manifest" test "$(grep -c '^manifest-id=' "$work/probe.out")" = 1
# Byte for byte the manifest the build wrote from window/wendrake.manifest,
# which is where its settings are reviewed.
check "the embedded manifest is the one the build wrote" cmp -s "$manifest" "$manifest_source"
check "the assembly version is the project's" \
  grep -sqF "name=\"L-VORDANS.Wendrake\" version=\"$numbers\"" "$manifest"

# The version resource as Explorer's properties page reads it.
"$WINE" "$probe" version "$(winpath "$exe")" 2>&1 | tr -d '\r' >"$work/version"
cat "$work/version"
for line in "fixed-file-version=$numbers" "fixed-product-version=$numbers" \
  "fixed-file-type=1" "translation=040704b0" \
  "CompanyName=L-VORDANS" "FileDescription=VUX-Wendrake Plotterauswahl" \
  "FileVersion=$version" "ProductVersion=$version" "ProductName=VUX-Wendrake" \
  "InternalName=Wendrake" "OriginalFilename=Wendrake.exe" "first-group-icon=1"; do
  check "version resource: $line" grep -qxF "$line" "$work/version"
done
check "one language block" test "$(grep -c '^translation=' "$work/version")" = 1

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
