#!/usr/bin/env bash
# Sets up this machine, builds quorvane.exe and starts it under Wine in the
# project's own prefix (build/run/prefix). Arguments go to the program;
# without any, it is started with "/?", which asks for the setup dialog.
# With no DISPLAY it runs under Xvfb and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null

export WINEPREFIX="$PWD/build/run/prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: making the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
dir="$WINEPREFIX/drive_c/Quorvane"
mkdir -p "$dir"
cp build/win32/quorvane.exe "$dir/quorvane.exe"
args=("$@")
[ ${#args[@]} -gt 0 ] || args=("/?")

xvfb_pid=
cleanup() { [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  wine 'C:\Quorvane\quorvane.exe' "${args[@]}" &
  program=$!
  sleep 4
  shot="$PWD/build/run/screenshot.png"
  import -window root "$shot"
  echo "run: screenshot saved to $shot"
  if kill -0 "$program" 2>/dev/null; then
    echo "run: quorvane.exe is still open; closing it"
    wineserver -k
  fi
  wait "$program" 2>/dev/null && rc=0 || rc=$?
else
  wine 'C:\Quorvane\quorvane.exe' "${args[@]}" && rc=0 || rc=$?
fi
echo "run: quorvane.exe ended with exit code $rc; its settings file is $dir/quorvane.ini"
