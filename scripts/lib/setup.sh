#!/usr/bin/env bash
# Shared set-up for scripts/test and scripts/run: packages, a Wine prefix and
# an X display, all kept under build/ so nothing touches a user's own Wine.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$ROOT/build"
mkdir -p "$BUILD"

PACKAGES=(cmake g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
  wine wine64 xvfb xdotool imagemagick googletest clang-format clang libclang-rt-14-dev nsis)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  # The installer's NSIS stub is 32-bit: a 64-bit-only Wine "runs" it as a
  # silent no-op that reports success.
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    missing+=(wine32:i386)
  fi
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

export WINEPREFIX="$BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko downloads, and no menu entries written into the user's home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

STARTED_XVFB=""
start_display() {
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 90 140); do
    [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$BUILD/xvfb.log" 2>&1 &
    STARTED_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      [[ -e "/tmp/.X11-unix/X$n" ]] && return
      sleep 0.1
    done
  done
  echo "no X display could be started" >&2
  exit 1
}

# A prefix still settling may refuse a first write: try again before giving up.
wine_reg() {
  for _ in 1 2 3 4 5; do
    wine reg "$@" </dev/null >/dev/null 2>&1 && return 0
    sleep 2
  done
  echo "wine reg $* failed" >&2
  return 1
}

start_wine() {
  # A prefix made before the 32-bit Wine was installed has no 32-bit system
  # and breaks every program once it is: make it anew.
  if [[ -x /usr/lib/wine/wine && -f "$WINEPREFIX/system.reg" &&
        ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]]; then
    echo "re-creating the Wine prefix for 32-bit support"
    WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  # A persistent server, started before anything else runs in the prefix,
  # keeps Wine's helpers off ctest's output pipe and saves each test the
  # server start; booting under it lets the services (RpcSs for COM) come up
  # under the same server the tests use.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "creating Wine prefix in $WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1 || true
  fi
  wine wineboot </dev/null >/dev/null 2>&1 || true
  # A new prefix keeps its service database locked for about 20 s while its
  # first services time out; COM started meanwhile hangs. Wait for RpcSs.
  # Its answer goes to a file: services started now would hold a pipe open.
  for _ in $(seq 60); do
    wine net start RpcSs </dev/null >"$BUILD/rpcss.log" 2>&1 || true
    grep -q "locked" "$BUILD/rpcss.log" || break
    sleep 2
  done
  # Without a window manager Wine waits 2 s on every hide; crash dialogs
  # would wait for a debugger until the test times out.
  wine_reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  wine_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f
}

stop_all() {
  wineserver -k 2>/dev/null || true
  if [[ -n "$STARTED_XVFB" ]]; then kill "$STARTED_XVFB" 2>/dev/null || true; fi
}
