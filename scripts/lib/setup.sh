#!/usr/bin/env bash
# Shared set-up for scripts/test and scripts/run: packages, a Wine prefix and
# an X display, all kept under build/ so nothing touches a user's own Wine.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="$ROOT/build"
mkdir -p "$BUILD"

PACKAGES=(cmake g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
  wine wine64 xvfb xdotool imagemagick googletest clang-format)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
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
export WINEDLLOVERRIDES="mscoree,mshtml="

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

wine_reg() { wine reg "$@" >/dev/null 2>&1; }

start_wine() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "creating Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
  fi
  # A persistent server, booted before any test, keeps Wine's helpers off
  # ctest's output pipe and saves each test the server start.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running
  wine wineboot </dev/null >/dev/null 2>&1 || true
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
