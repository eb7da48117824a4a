#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the Windows release of Pictarn and shows
# it doing its job under Wine:
#   - Pictarn.exe starts from the release folder (on $DISPLAY, or on a virtual
#     X display when there is none);
#   - the script plays the desktop's part, as Windows does when Print Screen
#     is pressed: it puts a picture of the screen on the clipboard and presses
#     Print Screen (Wine does neither by itself);
#   - it prints where "new.jpeg" was written and what it holds, then ends
#     Pictarn through its tray menu ("Выход").
# Usage: scripts/run.sh [--keep]   (--keep leaves Pictarn running on $DISPLAY)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
keep=0
[ "${1:-}" = "--keep" ] && keep=1

scripts/install-deps.sh

echo "== building the release"
scripts/make-release.sh >/dev/null
cmake --build build/windows --target pictarn_driver --parallel 2 >/dev/null
driver_exe=$root/build/windows/pictarn-driver.exe

demo=${PICTARN_DEMO_DIR:-$root/build/demo}
rm -rf "$demo"
mkdir -p "$demo/shots"
cp release/Pictarn/Pictarn.exe release/Pictarn/1.ico "$demo/"
# Wine sees the Unix root as drive Z:, so the folder line is a Windows path.
shots_windows="Z:$(echo "$demo/shots/" | tr / '\\')"
printf '8\r\n1200\r\n675\r\n%s\r\n' "$shots_windows" > "$demo/Pictarn.ini"

export WINEPREFIX=${PICTARN_WINEPREFIX:-$root/build/wineprefix-demo}
export WINEDEBUG=-all LANG=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

xvfb_pid=""
cleanup() {
  [ -n "${driver_pid:-}" ] && kill "$driver_pid" 2>/dev/null || true
  if [ "$keep" = 0 ]; then wineserver -k 2>/dev/null || true; fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "== no display: using a virtual one, $DISPLAY"
  keep=0
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix $WINEPREFIX (once)"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

echo "== starting Pictarn.exe in $demo"
(cd "$demo" && exec wine Pictarn.exe) >/dev/null 2>&1 &
pictarn_pid=$!

# The test driver: one command per line in, one reply per line out.
coproc DRIVER { exec wine "$driver_exe" 2>/dev/null; }
driver_pid=$DRIVER_PID
# The reply's fields land in $answer (coprocess pipes do not reach subshells,
# so this is never called inside $(...)).
answer=""
ask() {
  printf '%s\n' "$*" >&"${DRIVER[1]}"
  local reply
  IFS= read -r -t 60 reply <&"${DRIVER[0]}" || { echo "driver: no reply to '$*'" >&2; return 1; }
  reply=${reply%$'\r'}
  case $reply in ok*) answer=${reply#ok} answer=${answer# } ;; *) echo "driver: $reply (for '$*')" >&2; return 1 ;; esac
}
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

main_title=$(hex "Korvadine - SysTray Example")
ask wait-window - "$main_title" 30000
main_window=${answer%% *}
echo "   running; its hidden main window is $main_window"

echo "== playing the desktop: a picture of the screen on the clipboard, then Print Screen"
screen_bmp=$demo/screen.bmp
import -window root -depth 8 "BMP3:$screen_bmp"
screen_windows="Z:$(echo "$screen_bmp" | tr / '\\')"
ask clip-dib "$(hex "$screen_windows")"
ask key 44

for _ in $(seq 100); do [ -s "$demo/shots/new.jpeg" ] && break; sleep 0.1; done
if [ ! -s "$demo/shots/new.jpeg" ]; then
  echo "Pictarn wrote no new.jpeg" >&2
  exit 1
fi
sleep 0.3
echo
echo "Pictarn wrote: $demo/shots/new.jpeg"
echo "  it holds:    $(identify -format '%m %wx%h, quality %Q, %b' "$demo/shots/new.jpeg")"
echo "  from:        $(identify -format '%wx%h' "$screen_bmp") screen picture"
ask clip-has-dib
echo "  clipboard:   $( [ "$answer" = 1 ] && echo 'still holds the picture' || echo 'emptied')"

if [ "$keep" = 1 ]; then
  echo
  echo "Pictarn keeps running on $DISPLAY; its tray icon's menu ends it (\"Выход\")."
  exit 0
fi

echo "== ending Pictarn through its tray menu"
ask tray 0x0204 "$main_window"
ask menu-wait 10000
ask menu-pick 10
wait "$pictarn_pid" && code=0 || code=$?
echo "   Pictarn ended with exit code $code"
