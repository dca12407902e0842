#!/usr/bin/env bash
# Sets up this machine, builds quorvane.exe and starts it under Wine in the
# project's own prefix (build/run/prefix), which holds a small office: the
# test file server with the share \\demo\share, a folder to substitute
# (C:\Demo\Folder) and a working subst.exe. Arguments go to the program;
# without any, it is started with "/?", which opens the setup dialog.
# With no DISPLAY it runs under Xvfb, inside Wine's virtual desktop (which
# draws the caption bars and close boxes that no window manager draws there),
# and a screenshot is saved and checked for the setup dialog's title bar.
# Where 32-bit programs cannot run (or with QV_WINE64=1), the x86-64 build
# runs under 64-bit Wine instead, in build/run64/prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
{ read -r width; read -r what; read -r why; } < <(python3 tests/wine/world.py pick)
cmake --preset "$width" >/dev/null
cmake --build --preset "$width" >/dev/null

run=build/run
[ "$width" = win32 ] || run=build/run64
if [ "$width" = win32 ]; then loader=/usr/lib/wine/wine; else loader=/usr/lib/wine/wine64; fi
echo "run: $what ($why)"
export WINEPREFIX="$PWD/$run/prefix" WINEARCH="$width" WINELOADER="$loader" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
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
fi

[ -f "$WINEPREFIX/system.reg" ] || echo "run: making the Wine prefix $WINEPREFIX"
desktop=
[ -z "$xvfb_pid" ] || desktop=desktop
QV_BIN="$PWD/build/$width" QV_WIDTH="$width" python3 tests/wine/world.py demo "$run" $desktop
dir="$WINEPREFIX/drive_c/Quorvane"
mkdir -p "$dir"
cp "build/$width/quorvane.exe" "$dir/quorvane.exe"
[ -f "$dir/quorvane.ini" ] ||
  printf '[MAIN]\r\nShareAddress=\\\\demo\\share\r\nMapToDrive=Q\r\n' > "$dir/quorvane.ini"

if [ -n "$xvfb_pid" ]; then
  "$loader" 'C:\Quorvane\quorvane.exe' "${args[@]}" &
  program=$!
  sleep 5
  shot="$PWD/$run/screenshot.png"
  import -window root "$shot"
  echo "run: screenshot saved to $shot"
  if kill -0 "$program" 2>/dev/null; then
    # The picture must show the window as a user sees it, caption and all.
    python3 scripts/screenshots.py check "$shot" && shown=0 || shown=$?
    echo "run: quorvane.exe is still open (see the screenshot); closing it"
    wineserver -k
    wait "$program" 2>/dev/null || true
    echo "run: its settings file is $dir/quorvane.ini"
    exit "$shown"
  fi
  wait "$program" 2>/dev/null && rc=0 || rc=$?
else
  "$loader" 'C:\Quorvane\quorvane.exe' "${args[@]}" && rc=0 || rc=$?
fi
echo "run: quorvane.exe ended with exit code $rc; its settings file is $dir/quorvane.ini"
