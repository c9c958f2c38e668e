#!/usr/bin/env bash
# The release as it is shipped: the exe, the setup program and the Windows
# Installer package as an administrator uses them, in parts that run apart:
# "packages", the exe and what CPack makes, read on Linux; "upgrade",
# "folder" and "msi" under Wine, each in a Wine session of its own
# (scripts/test's lanes). Every step is judged by its exit code and by what
# it leaves, after a restart where one is due: an installer that cannot start
# at all fails here.
#   installer_test.sh PART BUILD_DIR EXE PROBE SAMPLE VERSION MANIFEST
# shellcheck disable=SC2317  # the helpers run through check
set -uo pipefail
part=$1 build=$2 exe=$3 probe=$4 sample=$5 version=$6 manifest=$7
: "${WINEPREFIX:?the Wine prefix of scripts/test}"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/setup.sh"
set +e  # setup.sh stops at the first failure; the checks go on
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if "${@:2}"; then echo "ok: $1"; else fail "$1"; fi; }  # check DESCRIPTION COMMAND...

packages="$build/tests/release/packages" work="$build/tests/release/$part"
installer="$packages/current/Wendrake-$version-win64.exe"
previous="$packages/previous/Wendrake-0.9.0-win64.exe"
zip="$packages/current/Wendrake-$version-win64.zip"
msi="$packages/current/Wendrake-$version-x64.msi"
previous_msi="$packages/previous/Wendrake-0.9.0-x64.msi"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
c="$WINEPREFIX/drive_c"
instdir="$c/Program Files/VUX-Wendrake" win_instdir='C:\Program Files\VUX-Wendrake'
own_instdir="$c/Werkzeuge/VUX-Wendrake" win_own_instdir='C:\Werkzeuge\VUX-Wendrake'
catalogue="$c/ProgramData/L-VORDANS/ZEPLO-Plotter/ZEPLO_Plotter.txt"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/VUX-Wendrake"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VUX-Wendrake'
vendor_key='HKLM\Software\L-VORDANS'
position_key='HKCU\Software\VB and VBA Program Settings\L-VORDANS\ZEPLO-Plotter\Position'
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'

step() { echo "== $* ($SECONDS s)"; }
exits() { "${@:2}" >/dev/null 2>&1; test $? = "$1"; }  # exits CODE COMMAND...: it exits with CODE
# A key in the 64-bit view as reg lists it: values, then subkeys. A reg
# that failed to read an existing key is asked again.
reg_list() { local _; for _ in 1 2 3; do "$WINE" reg query "$1" /reg:64 2>&1 | tr -d '\r' && return; done; }
value_in() {  # value_in LISTING NAME: the value's data; fails when there is none
  awk -v name="$2" '$1 == name && $2 ~ /^REG_/ {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; found = 1}
                    END {exit !found}' <<<"$1"
}
reg_value() { value_in "$(reg_list "$1")" "$2"; }
no_key() { ! "$WINE" reg query "$1" /reg:64 >/dev/null 2>&1; }
files_in() { find "$1" -mindepth 1 -printf '%P\n' 2>/dev/null | sort | tr '\n' ' '; }
# What an installation can leave: files outside Windows' own folder and
# the temporary ones, and the keys it writes to, in both views (all of
# HKLM\Software would take 10 s a look).
machine_state() {  # machine_state PREFIX: writes PREFIX.files and PREFIX.reg
  find "$c" \( -path "$c/windows" -o -path "$c/users/*/Temp" \) -prune -o -print | sort >"$1.files"
  local key view
  for key in "$vendor_key" 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    for view in 64 32; do "$WINE" reg query "$key" /s "/reg:$view" 2>&1; done
  done | tr -d '\r' >"$1.reg"
}
state_is() {  # state_is PREFIX: the machine as PREFIX.files and PREFIX.reg say
  machine_state "$work/state.now"
  diff "$1.files" "$work/state.now.files" >"$work/state.diff" &&
    diff "$1.reg" "$work/state.now.reg" >>"$work/state.diff"
}
# After an uninstall: the machine as before, but for the administrator's catalogue.
only_the_catalogue_left() {
  cp "$work/state.before.reg" "$work/state.expected.reg"
  printf '%s\n' "$c/ProgramData/L-VORDANS" "$(dirname "$catalogue")" "$catalogue" |
    sort - "$work/state.before.files" >"$work/state.expected.files"
  check "nothing left but the catalogue" state_is "$work/state.expected" || cat "$work/state.diff"
  check "the catalogue is left in place, unchanged" cmp -s "$catalogue" "$work/catalogue.edited"
}
# Wine keeps no rights of a file but its Unix mode, and shows the others' bits
# as those of Everyone, which folders under C:\ and C:\ProgramData grant.
shut_to_everyone() { local f; for f; do [[ $(stat -c %A "$f") == *--- ]] || return 1; done; }
press() { "$WINE" "$probe" press "$1 von VUX-Wendrake" "${@:2}"; }  # press Installation|Deinstallation TEXT...
# A shortcut keeps its target's full path in the system code page.
points_to() { grep -aqF "$2" "$1"; }
# The file operations waiting for the next restart, one path a line.
pending() { reg_value "$pending_key" PendingFileRenameOperations | sed 's/\\0/\n/g; s/\n!/\n/g; s/\\??\\//g' | grep -v '^$'; }
# What Linux shows of exit codes 3010, "restart required", and 1603, "failed".
restart_required=$((3010 % 256)) install_failed=$((1603 % 256))

# A picker on the installer's desktop, started at a stored position that is
# then forgotten, so that only the picker's own close can store it again.
start_picker() {  # start_picker WINDOWS_EXE
  "$WINE" reg add "$position_key" /v Left /d 1500 /f >/dev/null 2>&1
  "$WINE" reg add "$position_key" /v Top /d 750 /f >/dev/null 2>&1
  "$WINE" "$1" >/dev/null 2>&1 &
  picker_pid=$!
  "$WINE" "$probe" show 2>&1 | tr -d '\r' >"$work/picker"
  "$WINE" reg delete "$position_key" /f >/dev/null 2>&1
}
picker_closed_storing_its_position() {
  local _; for _ in $(seq 50); do kill -0 "$picker_pid" 2>/dev/null && sleep 0.1; done
  kill -0 "$picker_pid" 2>/dev/null && return 1
  wait "$picker_pid" && picker_pid="" && test "$(reg_value "$position_key" Left)" = 1500 &&
    test "$(reg_value "$position_key" Top)" = 750
}
# A picker on a desktop of its own, which the installer's window search
# cannot see, holding its file as a picker in another user's session does.
start_picker_out_of_reach() {  # start_picker_out_of_reach WINDOWS_EXE
  "$WINE" explorer /desktop=Andere,800x600 "$1" >/dev/null 2>&1 &
  local _; for _ in $(seq 100); do sleep 0.1; [[ -n $(pickers) ]] && sleep 1 && return; done
  return 1
}
# The pickers of this Wine prefix: other prefixes on the machine run the same path.
pickers() {
  local p
  for p in $(pgrep -f '^C:[^/]*Wendrake\.exe$'); do
    grep -qszx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" && echo "$p"
  done
}
# Another program opens the file sharing no deletion: it can be neither
# replaced nor moved aside. holder: that program's process.
hold_file() {  # hold_file WINDOWS_PATH
  rm -f "$work/held"; "$WINE" "$probe" hold "$1" >"$work/held" 2>&1 & holder=$!
  local _; for _ in $(seq 100); do [[ -s $work/held ]] || sleep 0.1; done
}
# The uninstaller in place, waited for, as the entry's QuietUninstallString runs
# it; from a batch file, as Wine would quote the blanks of _?=, which NSIS refuses.
uninstall_in_place() {  # uninstall_in_place COMMAND_LINE; returns its exit code
  printf '%s\r\nexit %%errorlevel%%\r\n' "$1" >"$work/uninstall.bat"
  timeout 60 "$WINE" cmd /c "$(winpath "$work/uninstall.bat")" >/dev/null 2>&1
}
quiet_uninstall() { uninstall_in_place "$(reg_value "$uninstall_key" QuietUninstallString)"; }

# The Windows Installer package's pieces: Wine's msi puts the Start menu of an
# installation for all users into the user's own (a FIXME of Wine's).
user_menu="$(printf '%s' "$c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)/VUX-Wendrake"
msiexec() { "$WINE" msiexec "$1" "$(winpath "$2")" /qn >/dev/null 2>&1; }  # msiexec /i|/x PACKAGE
# The Programs-and-Features entries of VUX-Wendrake: the values both installers
# write, a line each (a package's entry names its folder with a "\" at the end).
entries() {
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 | tr -d '\r' |
    awk '$1 ~ /^(DisplayName|DisplayVersion|Publisher|InstallLocation|NoModify|NoRepair)$/ && $2 ~ /^REG_/ {
           v = $0; sub(/^ *[^ ]+ +[^ ]+ +/, "", v); sub(/\\$/, "", v); e[$1] = v }
         /^$/ { if (e["DisplayName"] == "VUX-Wendrake") for (n in e) print n "=" e[n]; delete e }' | sort
}
# What an installation leaves where users and administrators look, as the
# setup program and the package must both leave it.
installation() {  # installation START_MENU_FOLDER
  echo "$(files_in "$instdir" | sed 's/Uninstall.exe //'), $(files_in "$1")"
  sha256sum "$instdir/Wendrake.exe" "$catalogue" | sed "s|$c||"
  points_to "$1/VUX-Wendrake.lnk" "$win_instdir\\Wendrake.exe" && echo "the picker's shortcut"
  entries
}

# Every value of the Programs-and-Features entry for an installation.
check_entry() {  # check_entry WINDOWS_DIR LINUX_DIR VERSION
  local value entry before=$failures kb bytes
  entry=$(reg_list "$uninstall_key")
  for value in "DisplayName=VUX-Wendrake" "DisplayVersion=$3" "Publisher=L-VORDANS" \
    "DisplayIcon=$1\\Wendrake.exe" "InstallLocation=$1" "UninstallString=\"$1\\Uninstall.exe\"" \
    "QuietUninstallString=\"$1\\Uninstall.exe\" /S _?=$1" "NoModify=0x1" "NoRepair=0x1"; do
    check "Programs and Features: $value" test "$(value_in "$entry" "${value%%=*}")" = "${value#*=}"
  done
  kb=$(($(value_in "$entry" EstimatedSize || echo 0))) bytes=$(du -cb "$2"/*.exe | tail -n 1 | cut -f1)
  check "Programs and Features: EstimatedSize $kb KB for $bytes bytes" \
    test "$kb" -gt 0 -a "$kb" -ge $((bytes / 1024)) -a "$kb" -le $((bytes / 1024 + 1))
  ((failures == before)) || printf 'the entry as reg lists it:\n%s\n' "$entry"
}

sign() {  # sign PFX PASSWORD DIR: cpack with that certificate into DIR, its output in sign.log
  WENDRAKE_SIGN_PFX=$1 WENDRAKE_SIGN_PASSWORD=$2 \
    cpack --config "$build/CPackConfig.cmake" -B "$3" </dev/null >"$work/sign.log" 2>&1
}
verified() { local f; for f in "${@:2}"; do osslsigncode verify -CAfile "$1/ca.pem" -in "$f" &>/dev/null || return; done; }

# Nothing of this test, or of an earlier failed run, stays for the other tests.
picker_pid=""
remove_installation() {
  pickers | xargs -r kill
  rm -rf "$instdir" "$c/Werkzeuge" "$menu" "$c/ProgramData/L-VORDANS"
  "$WINE" reg delete "$uninstall_key" /f /reg:64 >/dev/null 2>&1
  "$WINE" reg delete "$vendor_key" /f /reg:64 >/dev/null 2>&1
  "$WINE" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
}
[[ $part == packages ]] || trap remove_installation EXIT

# On Linux: the exe as the loader and Explorer see it (hardening flags,
# relocations, imports from Windows' own DLLs only, the embedded manifest, the
# version resource); the packages as CPack makes them, their checksums, the
# zip, the Windows Installer package's properties.
packages() {
  step "the exe as built, and the packages"
  local numbers=$version flags reloc_size dlls res line
  while [[ $numbers != *.*.*.* ]]; do numbers+=.0; done
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

  # kernel32.dll among them, so that the table was read.
  dlls=$(awk '/DLL Name:/ {print tolower($3)}' "$work/headers")
  check "imports from Windows' own DLLs only: $(echo $dlls)" test -z "$(grep -vxE \
    '(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comctl32|msvcrt|api-ms-win-.*)\.dll' <<<"$dlls")" \
    -a -n "$(grep -x kernel32.dll <<<"$dlls")"

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
  check "the embedded manifest is the one the build wrote" cmp -s "$work/manifest.xml" "$manifest"
  check "the project's assembly version" grep -sqF "name=\"L-VORDANS.Wendrake\" version=\"$numbers\"" "$work/manifest.xml"

  # The version resource Explorer's properties page shows, in German and of
  # the project's version.
  for line in "FILEVERSION ${numbers//./, }" "PRODUCTVERSION ${numbers//./, }" 'BLOCK "040704B0"' \
    'VALUE "Translation", 0x407, 1200' "VALUE \"FileVersion\", \"$version\"" \
    "VALUE \"ProductVersion\", \"$version\""; do
    check "resource: $line" grep -qxF "$line" <(sed 's/^ *//' "$res")
  done
  # The previous release: the same program under an older version number.
  cpack --config "$build/CPackConfig.cmake" -B "$packages/current" >"$work/cpack.log" 2>&1 &&
    cpack --config "$build/CPackConfig.cmake" -B "$packages/previous" -G "NSIS;External" >>"$work/cpack.log" 2>&1 \
      -D CPACK_PACKAGE_VERSION=0.9.0 -D CPACK_PACKAGE_FILE_NAME=Wendrake-0.9.0-win64 ||
    { cat "$work/cpack.log"; fail "cpack"; return; }
  check "the .sha256 files match" sh -c 'cd "${1%/*}" && sha256sum --check --quiet ./*.sha256' _ "$installer"
  (mkdir -p "$work/unzip" && cd "$work/unzip" && cmake -E tar xf "$zip")
  check "the zip holds the exe alone" test "$(files_in "$work/unzip")" = \
    "Wendrake-$version-win64 Wendrake-$version-win64/Wendrake.exe "
  check "the zip's exe is the built one" cmp -s "$work/unzip/Wendrake-$version-win64/Wendrake.exe" "$exe"
  msiextract -C "$work/msi" "$msi" >/dev/null
  check "the package's exe is the built one" cmp -s "$work/msi/VUX-Wendrake/Wendrake.exe" "$exe"
  check "the package: x64, German, per machine" test "$(msiinfo suminfo "$msi" | grep ^Template:)" = \
    "Template: x64;1031" -a "$(msiinfo export "$msi" Property | grep -c $'^ALLUSERS\t1')" = 1
}

upgrade() {
  step "first installation on a machine without the picker: the previous release, silently"
  remove_installation
  machine_state "$work/state.before"
  check "the installer exits 0" exits 0 "$WINE" "$previous" /S
  check "the program folder: the exe and the uninstaller alone" test "$(files_in "$instdir")" = "Uninstall.exe Wendrake.exe "
  check "the installed exe is the built one" cmp -s "$instdir/Wendrake.exe" "$exe"
  check "the sample catalogue is installed" cmp -s "$catalogue" "$sample"
  check "Start menu: the picker" points_to "$menu/VUX-Wendrake.lnk" "$win_instdir\\Wendrake.exe"
  check "Start menu: the uninstaller" points_to "$menu/VUX-Wendrake deinstallieren.lnk" "$win_instdir\\Uninstall.exe"
  check "Start menu: nothing else" test "$(files_in "$menu")" = "VUX-Wendrake deinstallieren.lnk VUX-Wendrake.lnk "
  check_entry "$win_instdir" "$instdir" 0.9.0
  check "program and catalogue folders shut out everyone" shut_to_everyone "$instdir" "$(dirname "$catalogue")"

  step "the installed picker on the installed catalogue"
  # The previous release's exe: the built one with bytes of its own at the end.
  printf 'the previous release' >>"$instdir/Wendrake.exe"
  start_picker "$win_instdir\\Wendrake.exe"
  check "the picker lists the sample's plotters" diff <(printf '%s\n' "Kaskad R600" "A3 Farbe" "PDF Ausgabe" \
    "Vellum G4") <(sed -n 's/^ *>\{0,1\} *row [0-9]*: //p' "$work/picker")

  step "upgrade over the administrator's catalogue while the picker runs"
  # The administrator's own list, with bytes a rewrite would change: CR LF,
  # a character of the ANSI code page, no end after the last line.
  printf '* Unsere Plotter\r\nBüro A3        buero.zpk           grau.zst\r\nHalle          halle.zpk           farbe.zst' |
    iconv -f UTF-8 -t WINDOWS-1252 | tee "$work/catalogue.edited" >"$catalogue"
  # What earlier installers left in the entry.
  "$WINE" reg add "$uninstall_key" /v AddToPathAllUsers /d 0 /f /reg:64 >/dev/null 2>&1
  check "the installer exits 0" exits 0 "$WINE" "$installer" /S
  check "the picker was closed and stored its position" picker_closed_storing_its_position
  check "the exe is replaced" cmp -s "$instdir/Wendrake.exe" "$exe"
  check "the catalogue is kept byte for byte" cmp -s "$catalogue" "$work/catalogue.edited"
  check "still just the exe and the uninstaller" test "$(files_in "$instdir")" = "Uninstall.exe Wendrake.exe "
  check_entry "$win_instdir" "$instdir" "$version"
  check "the entry holds nothing of earlier installers" test -z "$(reg_value "$uninstall_key" AddToPathAllUsers)"

  step "upgrades, an uninstall and an install while a picker out of reach runs: the last one stays"
  printf 'the previous release' >>"$instdir/Wendrake.exe"
  cp "$instdir/Wendrake.exe" "$work/previous.exe"
  check "a picker runs out of the installer's reach" start_picker_out_of_reach "$win_instdir\\Wendrake.exe"
  check "the upgrade exits 3010, restart required" exits $restart_required "$WINE" "$installer" /S
  check "the new exe is in place at once" cmp -s "$instdir/Wendrake.exe" "$exe"
  check "the running one is moved aside" cmp -s "$instdir/Wendrake.exe.1.alt" "$work/previous.exe"
  check "only its new name waits for the restart" test "$(pending)" = "$win_instdir\\Wendrake.exe.1.alt"
  # Interactive, "no shortcuts" ticked, while the moved one still runs.
  timeout 60 "$WINE" "$installer" >/dev/null 2>&1 & setup=$!
  check "the Start-menu page: no shortcuts" press Installation "&Weiter >" "&Weiter >" "Keine Verkn"
  check "the finish page preselects restarting later" \
    press Installation "&Installieren" "selbst neu starten (x)" "&Fertigstellen"
  wait "$setup"
  check "Fertigstellen ends it with 3010, the old shortcuts gone" test $? = $restart_required -a ! -e "$menu"
  "$WINE" "$installer" /S >/dev/null 2>&1
  check "a silent upgrade exits 3010 and keeps to no shortcuts" test $? = $restart_required -a ! -e "$menu"
  check "the uninstaller exits 3010" exits $restart_required quiet_uninstall
  check "the exe is gone at once" test "$(files_in "$instdir")" = "Uninstall.exe Wendrake.exe.1.alt "
  check "the new installation exits 3010: the moved ones still wait" exits $restart_required "$WINE" "$installer" /S
  reboot_wine
  check "after the restart the exe installed last is in place, the moved ones gone" \
    test "$(files_in "$instdir")" = "Uninstall.exe Wendrake.exe " -a "$(pending)" = ""
  check "the exe is the new one" cmp -s "$instdir/Wendrake.exe" "$exe"
  check_entry "$win_instdir" "$instdir" "$version"

  step "the uninstaller's first page, then the entry's silent uninstall while the picker runs, another L-VORDANS program's settings beside ours"
  start_picker "$win_instdir\\Wendrake.exe"
  "$WINE" "$win_instdir\\Uninstall.exe" >/dev/null 2>&1 & uninstaller=$!
  press Deinstallation "VUX-Wendrake wird von Ihrem Computer entfernt."
  check "the picker runs on the uninstaller's first page" kill -0 "$picker_pid"
  press Deinstallation "Abbrechen"; wait "$uninstaller"
  "$WINE" reg add "$vendor_key\\MORKA" /v Pfad /d 'C:\MORKA' /f /reg:64 >/dev/null 2>&1
  check "the uninstaller exits 0" exits 0 quiet_uninstall
  check "the picker was closed and stored its position" picker_closed_storing_its_position
  check "the install folder's key is removed" no_key "$vendor_key\\VUX-Wendrake"
  check "only the uninstaller is left, which ran in place" test "$(files_in "$instdir")" = "Uninstall.exe "
  check "the Start menu folder is removed" test ! -e "$menu"
  check "the other program's settings are kept" test "$(reg_value "$vendor_key\\MORKA" Pfad)" = 'C:\MORKA'
  "$WINE" reg delete "$vendor_key" /f /reg:64 >/dev/null 2>&1  # the other program's, emptied
  rm -r "$instdir"
  only_the_catalogue_left
}

# From a machine with an administrator's catalogue folder and nothing else.
folder() {
  remove_installation
  mkdir -p "$(dirname "$catalogue")" && cp "$sample" "$catalogue"
  step "an upgrade goes into the folder of the administrator's choice"
  chmod 755 "$(dirname "$catalogue")"  # rights of the administrator's choice
  "$WINE" "$previous" /S "/D=$win_own_instdir" >/dev/null 2>&1
  check "installed into the chosen folder" test "$(files_in "$own_instdir")" = "Uninstall.exe Wendrake.exe "
  check "the chosen folder shuts out everyone, unlike C:\\" shut_to_everyone "$own_instdir"
  check "the catalogue folder keeps its rights" test "$(stat -c %a "$(dirname "$catalogue")")" = 755
  printf 'the exe of the previous release' >"$own_instdir/Wendrake.exe"
  "$WINE" "$installer" /S >/dev/null 2>&1
  check "the upgrade replaced the exe in the chosen folder" cmp -s "$own_instdir/Wendrake.exe" "$exe"
  check "Start menu: the picker in that folder" points_to "$menu/VUX-Wendrake.lnk" "$win_own_instdir\\Wendrake.exe"
  machine_state "$work/state.own"
  check "an upgrade into another folder is refused: exit 2" exits 2 "$WINE" "$installer" /S "/D=C:\\Anderswo"
  check "the refused upgrade changed nothing" state_is "$work/state.own"

  step "pickers close only once Installieren is pressed, Abbrechen while the exe stays held changes nothing"
  start_picker "$win_own_instdir\\Wendrake.exe"
  hold_file "$win_own_instdir\\Wendrake.exe"
  timeout 120 "$WINE" "$installer" >/dev/null 2>&1 &
  press Installation "&Weiter >" "&Weiter >"  # to the page with Installieren
  check "the picker runs up to the page with Installieren" kill -0 "$picker_pid"
  press Installation "&Installieren" "Cancel"  # in the question that follows (Wine's own texts)
  wait $!
  check "Abbrechen in the question that follows: exit 1" test $? = 1
  check "the picker in reach was closed and stored its position" picker_closed_storing_its_position
  check "nothing changed" state_is "$work/state.own"
  kill "$holder"; wait "$holder"

  step "an uninstall while a picker out of reach runs, and an install once its user logged off"
  check "a picker runs out of the uninstaller's reach" start_picker_out_of_reach "$win_own_instdir\\Wendrake.exe"
  hold_file "$win_own_instdir\\Wendrake.exe"
  check "while another program holds it too, the uninstaller exits 2" exits 2 quiet_uninstall
  kill "$holder"; wait "$holder"
  check "and changes nothing" state_is "$work/state.own"
  "$WINE" "$installer" /S >/dev/null 2>&1  # moves the running exe aside
  # Interactive and in place: the German pages, then a word on the restart due.
  uninstall_in_place "$(reg_value "$uninstall_key" UninstallString) _?=$win_own_instdir" & uninstaller=$!
  check "the uninstaller says that the restart removes what is left" press Deinstallation \
    "VUX-Wendrake wird von Ihrem Computer entfernt." "&Deinstallieren" "&Beenden" "Windows entfernt sie beim" OK
  wait "$uninstaller"
  check "the uninstaller exits 3010, restart required" test $? = $restart_required
  check "the exe is gone at once, the moved one waits" \
    test "$(files_in "$own_instdir")" = "Uninstall.exe Wendrake.exe.1.alt "
  check "the Start menu folder is removed" test ! -e "$menu"
  check "HKLM\Software\L-VORDANS is removed once nothing is left in it" no_key "$vendor_key"
  pickers | xargs -r kill  # its user logs off
  check "an install after that exits 0" exits 0 "$WINE" "$installer" /S "/D=$win_own_instdir"
  reboot_wine
  check "after the restart the exe installed last is in place" cmp -s "$own_instdir/Wendrake.exe" "$exe"
  check "after the restart nothing else is left, nothing waits" \
    test "$(files_in "$own_instdir")" = "Uninstall.exe Wendrake.exe " -a "$(pending)" = ""
  check_entry "$win_own_instdir" "$own_instdir" "$version"
}

# The Windows Installer package as a deployment tool runs it, silently, and
# beside the setup program: one installation either way. Then, on Linux, the
# release signed with a certificate of a certificate authority made now, and
# refused with one that cannot sign; the signed setup program under Wine.
msi() {
  step "the package's first installation on a machine without the picker: the previous release"
  remove_installation
  machine_state "$work/state.before"
  check "msiexec exits 0" exits 0 msiexec /i "$previous_msi"
  check "the sample catalogue is installed" cmp -s "$catalogue" "$sample"

  step "an upgrade over the administrator's catalogue while a picker out of reach runs"
  printf '* Unsere Plotter\r\nHalle          halle.zpk           farbe.zst' | tee "$work/catalogue.edited" >"$catalogue"
  # The previous release's exe: the built one with an older file version.
  printf '\0\0\0\0' | dd of="$instdir/Wendrake.exe" bs=1 conv=notrunc status=none \
    seek=$(($(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$instdir/Wendrake.exe" | head -n 1 | cut -d: -f1) + 8))
  check "a picker runs out of reach" start_picker_out_of_reach "$win_instdir\\Wendrake.exe"
  check "msiexec exits 3010, restart required" exits $restart_required msiexec /i "$msi"
  check "one entry, at the new version" test "$(entries | grep ^DisplayVersion)" = "DisplayVersion=$version"
  reboot_wine
  check "after the restart the new exe is in place, nothing waits" \
    test "$(files_in "$instdir")" = "Wendrake.exe " -a "$(pending)" = ""
  check "the exe is the new one" cmp -s "$instdir/Wendrake.exe" "$exe"
  check "the catalogue is kept byte for byte" cmp -s "$catalogue" "$work/catalogue.edited"
  installation "$user_menu" >"$work/package.left"

  step "an older package and the setup program are refused over it; then the package's uninstall"
  machine_state "$work/state.package"
  check "the older package: msiexec exits 1603" exits $install_failed msiexec /i "$previous_msi"
  check "the setup program exits 2" exits 2 "$WINE" "$installer" /S
  check "neither changed anything" state_is "$work/state.package"
  check "msiexec exits 0" exits 0 msiexec /x "$msi"
  only_the_catalogue_left

  step "the setup program leaves what the package left, and the package is refused over it"
  check "the setup program exits 0" exits 0 "$WINE" "$installer" /S
  installation "$menu" >"$work/setup.left"
  check "the same programs, catalogue, shortcuts and entry" diff "$work/package.left" "$work/setup.left"
  machine_state "$work/state.setup"
  check "the package: msiexec exits 1603" exits $install_failed msiexec /i "$msi"
  check "and changes nothing" state_is "$work/state.setup"

  step "signed packages"
  local ca="$packages/ca" password='Kenn "Wort" $1' seen="$work/command lines" release file
  # A certificate authority of the test's own, a code-signing certificate it
  # issued and one for another use, both as PKCS#12 files with that password.
  mkdir -p "$ca" && (
    set -e && cd "$ca" && export WENDRAKE_SIGN_PASSWORD=$password
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-CA \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=keyCertSign
    for use in codeSigning serverAuth; do
      openssl req -newkey rsa:2048 -nodes -keyout $use.key -out $use.csr -subj "/CN=L-VORDANS $use"
      openssl x509 -req -in $use.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -out $use.pem \
        -extfile <(printf 'extendedKeyUsage=%s\nkeyUsage=digitalSignature\n' $use)
      openssl pkcs12 -export -in $use.pem -inkey $use.key -out $use.pfx -passout env:WENDRAKE_SIGN_PASSWORD
    done
  ) >"$work/openssl.log" 2>&1 || cat "$work/openssl.log"
  # The tools that see the password, each noting its command line first.
  for tool in openssl osslsigncode; do
    printf '#!/bin/sh\necho "$0 $*" >>"%s"\nexec %s "$@"\n' "$seen" "$(command -v $tool)" >"$work/$tool"
    chmod +x "$work/$tool"
  done
  PATH="$work:$PATH" sign "$ca/codeSigning.pfx" "$password" "$packages/signed"
  check "cpack signs with the certificate" test $? = 0 || cat "$work/sign.log"
  check "their command lines lack the password" test -n "$(grep -F /osslsigncode "$seen")" -a -z "$(grep -F "$password" "$seen")"
  check "the password is in no file of the build" test -z "$(grep -rlaFf <(printf '%s\n' "$password") "$build")"
  release="$packages/signed/Wendrake-$version"
  (cd "$packages/signed" && cmake -E tar xf "$release-win64.zip" && msiextract -C msi "$release-x64.msi" >/dev/null)
  for file in "$release-win64.exe" "$release-x64.msi" "$release-win64/Wendrake.exe" msi/VUX-Wendrake/Wendrake.exe; do
    check "signed: ${file#"$packages/signed/"}" verified "$ca" "${file/#msi/$packages/signed/msi}"
  done
  check "the build's own exe stays as it was built" cmp -s "$exe" "$packages/unzip/Wendrake-$version-win64/Wendrake.exe"
  while IFS=: read -r cause pfx pass; do
    mkdir -p "$work/refused" && printf 'an earlier run' >"$work/refused/Wendrake-$version-x64.msi"
    sign "$ca/$pfx" "$pass" "$work/refused"
    check "a certificate with $cause: cpack fails saying so" test $? != 0 -a -n "$(grep "$cause" "$work/sign.log")"
    check "and leaves no package of the release" test -z "$(find "$work/refused" -maxdepth 1 -name 'Wendrake-*')"
  done <<EOF
no readable file:none.pfx:$password
a wrong password:codeSigning.pfx:Kennwort
not for code signing:serverAuth.pfx:$password
EOF

  step "the signed setup program installs a signed program and uninstaller"
  "$WINE" "$packages/signed/Wendrake-$version-win64.exe" /S >/dev/null 2>&1
  check "signed: the program and the uninstaller" verified "$packages/ca" "$instdir/"{Wendrake,Uninstall}.exe
}

"$part"

((failures)) && { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
