#!/bin/sh
# Renders resources/pictarn.ico from resources/icon/draw_icon.py.
# Needs Debian's python3 with PIL (apt-get install python3-pil).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
python=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" "$root/resources/icon/draw_icon.py" "$work"
"$python" "$root/resources/icon/write_ico.py" "$root/resources/pictarn.ico" \
  "$work/icon-256.png" "$work/icon-128.png" "$work/icon-48.png" \
  "$work/icon-32.png" "$work/icon-24.png" "$work/icon-16.png"

echo "wrote $root/resources/pictarn.ico"
if command -v icotool >/dev/null 2>&1; then
  icotool --list "$root/resources/pictarn.ico"
fi
