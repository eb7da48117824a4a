#!/usr/bin/env bash
# Takes the pictures shown in the README: the settings window, the tray menu
# and the About box of the real Pictarn.exe, run under Wine on a virtual X
# display, steered by the end-to-end test driver and captured with
# ImageMagick's import.
#
#   scripts/docs-screenshots.sh    writes docs/settings-window.png,
#                                  docs/tray-menu.png and docs/about-box.png
#
# Environment: PICTARN_WINDOWS_BUILD_DIR (default build/windows) holds
# Pictarn.exe and pictarn-driver.exe; PICTARN_DOCS_WINEPREFIX (default
# build/docs-wineprefix) is the Wine prefix, made on first use.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
windows_dir=${PICTARN_WINDOWS_BUILD_DIR:-$root/build/windows}
case $windows_dir in /*) ;; *) windows_dir=$root/$windows_dir ;; esac

if [ -z "${PICTARN_DOCS_ON_DISPLAY:-}" ]; then
  if [ ! -f "$windows_dir/Pictarn.exe" ] || [ ! -f "$windows_dir/pictarn-driver.exe" ]; then
    scripts/build-libjpeg-windows.sh >/dev/null
    cmake --preset windows -B "$windows_dir" >/dev/null
    cmake --build "$windows_dir" --parallel 2
  fi
  PICTARN_DOCS_ON_DISPLAY=1 PICTARN_WINDOWS_BUILD_DIR=$windows_dir \
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# ---- from here on, on the virtual display ----
export WINEPREFIX=${PICTARN_DOCS_WINEPREFIX:-$root/build/docs-wineprefix}
export WINEDEBUG=-all LANG=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

if [ ! -f "$WINEPREFIX/.pictarn-docs-ready" ]; then
  echo "docs: preparing $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Without a window manager Wine draws the title bars and frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  # Debian's Wine does not find its own fonts (Tahoma, and Marlett for the
  # caption buttons) where they are installed; the prefix's Fonts folder it reads.
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  touch "$WINEPREFIX/.pictarn-docs-ready"
fi
wineserver -k 2>/dev/null || true
wineserver -p

work=$(mktemp -d "$WINEPREFIX/drive_c/docs-XXXXXX")
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp "$windows_dir/Pictarn.exe" "$work/"
cp resources/pictarn.ico "$work/1.ico"
printf '8\r\n1200\r\n675\r\nC:\\Screenshots\\\r\n' >"$work/Pictarn.ini"
(cd "$work" && exec wine Pictarn.exe >/dev/null 2>&1) &
pictarn=$!

coproc DRIVER { exec wine "$windows_dir/pictarn-driver.exe" 2>/dev/null; }
reply=
ask() {
  echo "$*" >&"${DRIVER[1]}"
  IFS= read -r -t 60 reply <&"${DRIVER[0]}" || { echo "docs: no answer to: $*" >&2; exit 1; }
  reply=${reply%$'\r'}
  case $reply in
    ok*) reply=${reply#ok}; reply=${reply# } ;;
    *) echo "docs: $* -> $reply" >&2; exit 1 ;;
  esac
}
hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }
field() { echo "$reply" | cut -d' ' -f"$1"; }

# Saves the screen rectangle x y width height as docs/NAME.png.
snap() {
  sleep 0.5  # let the window finish painting
  import -window root -crop "${4}x${5}+${2}+${3}" +repage "docs/$1.png"
  echo "docs: docs/$1.png (${4}x${5})"
}
# Sets x y w h to the outer rectangle of a window.
rect() {
  ask "info $1"
  x=$(field 4) y=$(field 5) w=$(field 6) h=$(field 7)
}

ask "wait-window - $(hex 'Korvadine - SysTray Example') 30000"
for _ in $(seq 100); do
  ask tray-icons
  [ "$(field 1)" -ge 1 ] && break
  sleep 0.1
done
icon=$(field 2)
ask "find-window __winex11_standalone_tray -"
tray=$reply

open_menu() {
  ask "click $icon 8 8 right"
  ask "menu-wait 10000"
  menu=$reply
}

# The tray menu together with Wine's notification area that holds the icon.
open_menu
rect "$tray"
tray_right=$((x + w)) tray_bottom=$((y + h))
rect "$menu"
right=$((x + w > tray_right ? x + w : tray_right))
bottom=$((y + h > tray_bottom ? y + h : tray_bottom))
snap tray-menu 0 0 $((right + 8)) $((bottom + 8))

ask "menu-pick 2"
ask "msgbox-wait 10000"
box=$(field 1)
rect "$box"
snap about-box "$x" "$y" "$w" "$h"
ask "msgbox-ok $box"

open_menu
ask "menu-pick 1"
ask "wait-window - $(hex 'Настройки') 10000 visible"
settings=$reply
rect "$settings"
snap settings-window "$x" "$y" "$w" "$h"

open_menu
ask "menu-pick 10"
ask quit
for _ in $(seq 100); do
  kill -0 "$pictarn" 2>/dev/null || exit 0
  sleep 0.1
done
echo "docs: Pictarn.exe did not end after Выход" >&2
exit 1
