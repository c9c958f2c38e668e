#!/usr/bin/env bash
# Shared set-up for the scripts: Debian packages, a Wine prefix and an X
# display, all kept under build/ so nothing touches a user's own Wine.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$ROOT/build"
mkdir -p "$BUILD"

# What each kind of work needs; a script installs the groups it uses.
PKG_BUILD=(cmake make googletest)
PKG_NATIVE=(g++ libgtest-dev)
PKG_CROSS=(g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev)
PKG_WINE=(wine64 xvfb x11-utils)
PKG_FUZZ=(clang libclang-rt-14-dev)
PKG_RELEASE=(nsis wixl msitools osslsigncode)

install_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

export WINEPREFIX="$BUILD/wineprefix"
source "$ROOT/scripts/lib/wine-env.sh"

# start_display [own]: keeps a reachable DISPLAY, or with "own" (or none
# set) starts an Xvfb screen that only this run uses. Tests take "own": they
# move the mouse and would fight a user at a real screen.
STARTED_XVFB=""
start_display() {
  if [[ "${1:-}" != own && -n "${DISPLAY:-}" ]]; then
    xdpyinfo >/dev/null 2>&1 && return
    echo "cannot reach the X display $DISPLAY" >&2
    exit 1
  fi
  local n
  for n in $(seq 90 140); do
    [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$WINE_LOGS/xvfb.log" 2>&1 &
    STARTED_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return
      sleep 0.1
    done
    kill "$STARTED_XVFB" 2>/dev/null || true
  done
  echo "no X display could be started (see $WINE_LOGS/xvfb.log)" >&2
  exit 1
}

# wine_fail STEP LOG: stops the script with one line that names the step of
# the Wine set-up and the last line of its output.
wine_fail() {
  echo "Wine set-up failed at: $1: $(tr -d '\r' <"$2" | grep -v '^$' | tail -n 1)" >&2
  exit 1
}
# wine_step DESCRIPTION COMMAND...: runs one step of the Wine set-up.
wine_step() {
  local what=$1 log="$WINE_LOGS/wine-setup.log" status=0
  shift
  "$@" </dev/null >"$log" 2>&1 || status=$?
  ((status == 0)) || wine_fail "$what (exit $status)" "$log"
}

# Started now, or already running under a server of an earlier run.
rpcss_started() {
  "$WINE" net start RpcSs </dev/null >"$WINE_LOGS/rpcss.log" 2>&1 || grep -qi "already" "$WINE_LOGS/rpcss.log"
}

create_prefix() {
  [[ -x "$WINE" ]] || { echo "no 64-bit Wine loader at $WINE (package wine64)" >&2; exit 1; }
  [[ -f "$WINEPREFIX/system.reg" ]] && return
  echo "creating Wine prefix in $WINEPREFIX"
  wine_step "wineboot -i (a new prefix)" "$WINE" wineboot -i
  # Without a window manager Wine waits 2 s on every hide; crash dialogs
  # would wait for a debugger until the test times out.
  wine_reg 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  wine_reg 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
  wine_reg 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 96
  # That ran on a server that quits when idle. A persistent one started
  # before it never ran COM's service (net start RpcSs timed out for
  # minutes), so the first session ends here.
  end_wine
}

start_wine() {
  create_prefix
  # A persistent server keeps Wine's helpers off ctest's output pipe, saves
  # each test a server start, and runs the services (RpcSs for COM) booted now.
  "$WINESERVER" -p </dev/null >"$WINE_LOGS/wineserver.log" 2>&1 || (($? == 2)) || # 2: runs already
    wine_fail "wineserver -p" "$WINE_LOGS/wineserver.log"
  wine_step "wineboot" "$WINE" wineboot
  # COM started before RpcSs runs hangs. The answer goes to a file: services
  # started now would hold a pipe open.
  local waited=0
  until rpcss_started; do
    ((waited < 60)) || wine_fail "net start RpcSs" "$WINE_LOGS/rpcss.log"
    sleep 2
    waited=$((waited + 2))
  done
}
wine_reg() { wine_step "reg add $1 /v $2" "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f; }

# Wine ends an unused desktop a second after its last program, and ctest
# waited that second for the test output pipe its process holds: keep one.
hold_desktop() { "$WINE" "$BUILD/windows/probe.exe" hold </dev/null >/dev/null 2>&1 & }

# Ends the session: its programs, then its server, which saves the registry.
end_wine() { "$WINESERVER" -k 2>/dev/null || true; "$WINESERVER" -w || true; }
# After a test that killed a COM server, which Wine keeps registered till then.
restart_wine() { end_wine; start_wine; hold_desktop; }
# A restart of Windows: what waits for it (PendingFileRenameOperations) is done.
reboot_wine() { end_wine; wine_step "wineboot -r" "$WINE" wineboot -r; restart_wine; }

# Lanes (WENDRAKE_LANE in wine-env.sh): every lane but main runs on a copy of
# the main prefix, made afresh each run while no server uses the original.
in_lane() { (export WENDRAKE_LANE=$1 && source "$ROOT/scripts/lib/wine-env.sh" && "${@:2}"); }
start_lanes() {  # start_lanes LANE...: their displays and sessions
  local lane pids=() status=0
  stop_lanes  # of a run that broke off
  create_prefix
  end_wine
  for lane in "$@"; do
    rm -rf "$BUILD/lanes/$lane"
    mkdir -p "$BUILD/lanes/$lane"
    [[ $lane == main ]] || cp -a "$WINEPREFIX" "$BUILD/lanes/$lane/prefix"
    # One after the other: each takes the first free display number.
    in_lane "$lane" start_display_of_lane
  done
  for lane in "$@"; do in_lane "$lane" start_wine & pids+=($!); done
  for lane in "${pids[@]}"; do wait "$lane" || status=1; done
  return $status
}
start_display_of_lane() {
  start_display own
  echo "$DISPLAY" >"$WINE_LOGS/display"
  echo "$STARTED_XVFB" >"$WINE_LOGS/xvfb.pid"
}
stop_lanes() {
  local lane
  for lane in "$BUILD"/lanes/*/; do
    lane=$(basename "$lane")
    in_lane "$lane" end_wine
    kill "$(cat "$BUILD/lanes/$lane/xvfb.pid" 2>/dev/null)" 2>/dev/null || true
  done
}

# The picker and the demo host built, and a session of their own with the
# sample catalogue in place, for scripts/run and bench/run:
#   sample_session own|"" TARGET... (start_display's choice, more targets)
sample_session() {
  install_packages "${PKG_BUILD[@]}" "${PKG_CROSS[@]}" "${PKG_WINE[@]}"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target Wendrake zeplo_demo_host "${@:2}" >/dev/null
  start_display "$1"
  trap stop_all EXIT
  start_wine
  mkdir -p "$WINEPREFIX/drive_c/ProgramData/L-VORDANS/ZEPLO-Plotter"
  cp "$ROOT/samples/ZEPLO_Plotter.txt" "$WINEPREFIX/drive_c/ProgramData/L-VORDANS/ZEPLO-Plotter/"
}
stop_all() {
  end_wine
  if [[ -n "$STARTED_XVFB" ]]; then kill "$STARTED_XVFB" 2>/dev/null || true; fi
}

# timed NAME COMMAND...: runs the command and notes in $BUILD/phases.txt when
# it began and how long it took, counted from the start of the script.
timed() {
  local start=$EPOCHREALTIME status=0
  "${@:2}" || status=$?
  awk -v n="$1" -v t0="$SCRIPT_START" -v a="$start" -v b="$EPOCHREALTIME" -v s="$status" \
    'BEGIN { printf "%-16s %6.1f s  (from %5.1f s)%s\n", n, b - a, a - t0, s ? "  FAILED" : "" }' \
    >>"$BUILD/phases.txt"
  return $status
}
SCRIPT_START=$EPOCHREALTIME
