#!/bin/sh
# Makes the release: release/Pictarn/ with Pictarn.exe, 1.ico (the tray
# icon's picture) and a sample Pictarn.ini, and the same folder zipped as
# release/Pictarn-<version>-win64.zip.
#
#   scripts/make-release.sh [PICTARN.EXE]
#
# Without an argument it builds (or brings up to date) Pictarn.exe with the
# windows preset and takes build/windows/Pictarn.exe.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
python=${PYTHON:-/usr/bin/python3}

if [ $# -gt 0 ]; then
    exe=$1
    [ -f "$exe" ] || { echo "no such file: $exe" >&2; exit 1; }
else
    exe=$root/build/windows/Pictarn.exe
    # Configure once, then let the build bring the program up to date.
    (cd "$root" &&
        { [ -f build/windows/CMakeCache.txt ] || cmake --preset windows; } &&
        cmake --build --preset windows --target Pictarn)
fi

# A Windows program starts with "MZ"; catch a wrong file early.
[ "$(head -c 2 "$exe")" = "MZ" ] || { echo "not a Windows program: $exe" >&2; exit 1; }
if command -v wrestool >/dev/null 2>&1; then
    resources=$(wrestool --list "$exe")
    echo "$resources" | grep -q -- '--type=14 --name=1 ' ||
        { echo "$exe: no application icon 1" >&2; exit 1; }
    echo "$resources" | grep -q -- '--type=24 --name=1 ' ||
        { echo "$exe: no manifest" >&2; exit 1; }
fi

version=$(sed -n 's/^project(Pictarn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }

out=$root/release
dir=$out/Pictarn
zip=$out/Pictarn-$version-win64.zip
rm -rf "$dir" "$zip"
mkdir -p "$dir"

cp "$exe" "$dir/Pictarn.exe"
# The build keeps symbols and debug information; the shipped program does without.
if command -v x86_64-w64-mingw32-strip >/dev/null 2>&1; then
    x86_64-w64-mingw32-strip "$dir/Pictarn.exe"
fi
cp "$root/resources/pictarn.ico" "$dir/1.ico"
# Quality, width, height, folder: four CR LF lines and nothing else. The
# empty folder line puts new.jpeg in the current directory.
printf '8\r\n1200\r\n675\r\n\r\n' >"$dir/Pictarn.ini"

"$python" - "$out" "$zip" Pictarn/Pictarn.exe Pictarn/1.ico Pictarn/Pictarn.ini <<'EOF'
import os
import sys
import zipfile

base, archive, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in names:
        z.write(os.path.join(base, name), name)
EOF

echo "made $dir:"
ls -l "$dir"
echo "made $zip:"
"$python" -m zipfile -l "$zip"
