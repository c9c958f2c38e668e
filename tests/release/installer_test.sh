#!/usr/bin/env bash
# The installer as an administrator uses it, under Wine: its German pages,
# then silently a first install (the previous release), the installed picker
# on the sample catalogue, an upgrade over the administrator's own
# catalogue, the uninstall, and an upgrade in a folder chosen with /D.
# Builds the packages with cpack first, as a release does.
#   installer_test.sh BUILD_DIR EXE RELEASE_PROBE PICKER_PROBE SAMPLE VERSION
# shellcheck disable=SC2317  # the helpers run through check
set -uo pipefail
build=$1 exe=$2 probe=$3 picker_probe=$4 sample=$5 version=$6
: "${WINEPREFIX:?the Wine prefix of scripts/test}"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-env.sh"
# Shortcuts would otherwise become desktop entries in the user's home.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

work="$build/tests/release/installer"
c="$WINEPREFIX/drive_c"
instdir="$c/Program Files/VUX-Wendrake"
data="$c/ProgramData/L-VORDANS/ZEPLO-Plotter"
catalogue="$data/ZEPLO_Plotter.txt"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/VUX-Wendrake"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VUX-Wendrake'
folder_key='HKLM\Software\L-VORDANS\VUX-Wendrake'
win_instdir='C:\Program Files\VUX-Wendrake'
# A folder of the administrator's choice (/D).
own_instdir="$c/Werkzeuge/VUX-Wendrake"
win_own_instdir='C:\Werkzeuge\VUX-Wendrake'

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
finish() {
  if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}
step() { echo "== $* ($SECONDS s)"; }

# A value of the registry; VIEW is 64 or 32. Fails when there is none.
reg_value() {  # reg_value KEY NAME VIEW
  "$WINE" reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; found = 1}
                      END {exit !found}'
}
has_key() { "$WINE" reg query "$1" "/reg:$2" >/dev/null 2>&1; }
no_key() { ! has_key "$@"; }
# Waits up to 60 s for a path to disappear.
gone() {
  for _ in $(seq 600); do
    [[ -e $1 ]] || return 0
    sleep 0.1
  done
  return 1
}
installed_files() { find "${1:-$instdir}" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | sort | tr '\n' ' '; }

# Nothing of an earlier, failed run stays behind for the other tests.
picker_pid=""
remove_installation() {
  [[ -n $picker_pid ]] && kill "$picker_pid" 2>/dev/null
  if [[ -e "$instdir/Uninstall.exe" ]]; then
    "$WINE" "$win_instdir\\Uninstall.exe" /S "_?=$win_instdir" >/dev/null 2>&1
  fi
  if [[ -e "$own_instdir/Uninstall.exe" ]]; then
    "$WINE" "$win_own_instdir\\Uninstall.exe" /S "_?=$win_own_instdir" >/dev/null 2>&1
  fi
  rm -rf "$instdir" "$own_instdir" "$menu"
  rmdir "$(dirname "$own_instdir")" 2>/dev/null
  # What the ended dialogs and the uninstaller's copy leave in the temp folder.
  rm -rf "$c"/users/*/Temp/ns*.tmp "$c"/users/*/Temp/~nsu*.tmp
  local view
  for view in 64 32; do
    "$WINE" reg delete "$uninstall_key" /f "/reg:$view" >/dev/null 2>&1
    "$WINE" reg delete "$folder_key" /f "/reg:$view" >/dev/null 2>&1
  done
  rm -f "$catalogue"
}
trap remove_installation EXIT

step "packages"
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
# The previous release: the same program under an older version number.
cpack --config "$build/CPackConfig.cmake" -B "$work/current" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; finish; }
cpack --config "$build/CPackConfig.cmake" -B "$work/previous" -G NSIS \
  -D CPACK_PACKAGE_VERSION=0.9.0 -D CPACK_PACKAGE_FILE_NAME=Wendrake-0.9.0-win64 \
  >"$work/cpack-previous.log" 2>&1 || { cat "$work/cpack-previous.log"; fail "cpack 0.9.0"; finish; }
installer="$work/current/Wendrake-$version-win64.exe"
previous="$work/previous/Wendrake-0.9.0-win64.exe"
zip="$work/current/Wendrake-$version-win64.zip"
ls -l "$installer" "$previous" "$zip"
check "the zip holds the exe alone" test "$(cmake -E tar tf "$zip" | grep -v '/$')" = \
  "Wendrake-$version-win64/Wendrake.exe"
(mkdir -p "$work/unzip" && cd "$work/unzip" && cmake -E tar xf "$zip")
check "the zip's exe is the built one" cmp -s "$work/unzip/Wendrake-$version-win64/Wendrake.exe" "$exe"

step "a machine without the picker"
remove_installation
rm -rf "$data"

step "the installer speaks German"
"$WINE" "$installer" >/dev/null 2>&1 &
dialog_pid=$!
# The probe ends the installer once it has read the first page.
"$WINE" "$probe" dialog "Installation von VUX-Wendrake" 2>&1 | tr -d '\r' >"$work/dialog" ||
  kill "$dialog_pid" 2>/dev/null
cat "$work/dialog"
check "the installer's buttons are German" grep -qx 'text=&Weiter >' "$work/dialog"
check "the installer's cancel button is German" grep -qx 'text=Abbrechen' "$work/dialog"
wait "$dialog_pid"
check "the cancelled installer left no program folder" test ! -e "$instdir"

step "first installation: the previous release, silently"
"$WINE" "$previous" /S >/dev/null 2>&1
check "the installer ended with 0 ($?)" test $? = 0
check "the program folder holds the exe and the uninstaller, nothing else" \
  test "$(installed_files)" = "Uninstall.exe Wendrake.exe "
[[ -e "$instdir" ]] || echo "  (no program folder: a 32-bit installer needs wine32:i386)"
check "the installed exe is the built one" cmp -s "$instdir/Wendrake.exe" "$exe"
check "the sample catalogue is installed" cmp -s "$catalogue" "$sample"
check "Start menu: the picker" test -f "$menu/VUX-Wendrake.lnk"
check "Start menu: the uninstaller" test -f "$menu/VUX-Wendrake deinstallieren.lnk"
check "Programs and Features: name" test "$(reg_value "$uninstall_key" DisplayName 64)" = VUX-Wendrake
check "Programs and Features: version" test "$(reg_value "$uninstall_key" DisplayVersion 64)" = 0.9.0
check "Programs and Features: publisher" test "$(reg_value "$uninstall_key" Publisher 64)" = L-VORDANS
check "Programs and Features: the exe's icon" \
  test "$(reg_value "$uninstall_key" DisplayIcon 64)" = "$win_instdir\\Wendrake.exe"
check "Programs and Features: uninstaller" \
  test "$(reg_value "$uninstall_key" UninstallString 64)" = "\"$win_instdir\\Uninstall.exe\""
check "Programs and Features: silent uninstaller" \
  test "$(reg_value "$uninstall_key" QuietUninstallString 64)" = "\"$win_instdir\\Uninstall.exe\" /S"
check "the entry is in the 64-bit view of the registry, not under WOW6432Node" \
  no_key "$uninstall_key" 32

step "the installed picker on the installed catalogue"
"$WINE" "$win_instdir\\Wendrake.exe" >/dev/null 2>&1 &
picker_pid=$!
"$WINE" "$picker_probe" show 2>&1 | tr -d '\r' >"$work/picker"
cat "$work/picker"
check "the picker's window" grep -q '^window "VUX-Wendrake" at .*, 85 x .*, topmost$' "$work/picker"
sed -n 's/^ *>\{0,1\} *row [0-9]*: //p' "$work/picker" >"$work/rows"
printf '%s\n' "Kaskad R600" "A3 Farbe" "PDF Ausgabe" "Vellum G4" >"$work/rows.expected"
check "the picker lists the sample's plotters" diff "$work/rows.expected" "$work/rows"
"$WINE" "$probe" close Wendrake_frm1 >/dev/null 2>&1 || kill "$picker_pid" 2>/dev/null
wait "$picker_pid"
check "the picker ended with 0 when closed ($?)" test $? = 0
picker_pid=""

step "upgrade over the administrator's catalogue"
# The administrator's own list, with bytes a rewrite would change: CR LF,
# a character of the ANSI code page, no end after the last line.
printf '* Unsere Plotter\r\nBüro A3        buero.zpk           grau.zst\r\nHalle          halle.zpk           farbe.zst' |
  iconv -f UTF-8 -t WINDOWS-1252 >"$catalogue"
cp "$catalogue" "$work/catalogue.edited"
printf 'the exe of the previous release' >"$instdir/Wendrake.exe"
"$WINE" "$installer" /S >/dev/null 2>&1
check "the installer ended with 0 ($?)" test $? = 0
check "the catalogue is kept byte for byte" cmp -s "$catalogue" "$work/catalogue.edited"
check "the exe is replaced" cmp -s "$instdir/Wendrake.exe" "$exe"
check "still just the exe and the uninstaller" test "$(installed_files)" = "Uninstall.exe Wendrake.exe "
check "Programs and Features: the new version" \
  test "$(reg_value "$uninstall_key" DisplayVersion 64)" = "$version"
check "one entry in Programs and Features" \
  test "$("$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:64 |
    tr -d '\r' | grep -ci 'wendrake')" = 1

step "the uninstaller speaks German"
"$WINE" "$win_instdir\\Uninstall.exe" >/dev/null 2>&1
"$WINE" "$probe" dialog "Deinstallation von VUX-Wendrake" 2>&1 | tr -d '\r' >"$work/dialog"
cat "$work/dialog"
check "the uninstaller's buttons are German" grep -qx 'text=&Deinstallieren' "$work/dialog"
check "the cancelled uninstaller left the program" test -f "$instdir/Wendrake.exe"

step "silent uninstall"
# The uninstaller copies itself away and returns at once; the copy works on.
"$WINE" "$win_instdir\\Uninstall.exe" /S >/dev/null 2>&1
check "the uninstaller started with 0 ($?)" test $? = 0
check "the program folder is removed" gone "$instdir"
check "the Start menu folder is removed" gone "$menu"
check "the Programs-and-Features entry is removed" no_key "$uninstall_key" 64
check "the install folder's key is removed" no_key "$folder_key" 64
check "the catalogue is left in place, unchanged" cmp -s "$catalogue" "$work/catalogue.edited"

step "an installation in a folder of the administrator's choice is upgraded there"
"$WINE" "$previous" /S "/D=$win_own_instdir" >/dev/null 2>&1
check "the installer ended with 0 ($?)" test $? = 0
check "installed into the chosen folder" test "$(installed_files "$own_instdir")" = "Uninstall.exe Wendrake.exe "
printf 'the exe of the previous release' >"$own_instdir/Wendrake.exe"
"$WINE" "$installer" /S >/dev/null 2>&1
check "the installer ended with 0 ($?)" test $? = 0
check "the upgrade replaced the exe in the chosen folder" cmp -s "$own_instdir/Wendrake.exe" "$exe"
check "the upgrade made no second installation in Program Files" test ! -e "$instdir"
check "Programs and Features: the exe's icon in the chosen folder" \
  test "$(reg_value "$uninstall_key" DisplayIcon 64)" = "$win_own_instdir\\Wendrake.exe"
"$WINE" "$(reg_value "$uninstall_key" UninstallString 64 | tr -d '"')" /S >/dev/null 2>&1
check "the uninstaller in the entry removes the chosen folder" gone "$own_instdir"
check "the catalogue is still left in place, unchanged" cmp -s "$catalogue" "$work/catalogue.edited"

step "done"
finish
