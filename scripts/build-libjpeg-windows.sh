#!/bin/sh
# Builds a static libjpeg-turbo for 64-bit Windows (mingw-w64, SIMD through
# nasm) from Debian's source package and installs it into a cache prefix.
# A prefix that already holds the library is reused. Prints the prefix.
#
#   scripts/build-libjpeg-windows.sh [PREFIX]   (default: .cache/libjpeg-windows)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PREFIX=${1:-$ROOT/.cache/libjpeg-windows}
CACHE=$ROOT/.cache/libjpeg-source
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
VERSION=2.1.5

if [ -f "$PREFIX/lib/libjpeg.a" ] && [ -f "$PREFIX/include/jpeglib.h" ]; then
    echo "$PREFIX"
    exit 0
fi

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

for tool in x86_64-w64-mingw32-gcc-posix nasm cmake; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

mkdir -p "$CACHE"
cd "$CACHE"
TARBALL=libjpeg-turbo_$VERSION.orig.tar.gz

if [ ! -f "$TARBALL" ]; then
    # A fresh Debian lists no source packages: add the deb-src twin of the
    # binary sources once.
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            as_root tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
        as_root apt-get update -qq >&2
    fi
    apt-get source --download-only libjpeg-turbo >&2 ||
        { as_root apt-get update -qq >&2 && apt-get source --download-only libjpeg-turbo >&2; }
    [ -f "$TARBALL" ] || { echo "no $TARBALL from apt-get source" >&2; exit 1; }
fi

WORK=$(mktemp -d "$CACHE/build.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
tar -xzf "$TARBALL" -C "$WORK"
SRC=$(find "$WORK" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo*' | head -n 1)

cmake -S "$SRC" -B "$WORK/build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON >&2
cmake --build "$WORK/build" --target jpeg-static -j "$(nproc)" >&2

# Only the static library and its headers are needed. They go into a fresh
# folder first, so an interrupted run never leaves a half-filled prefix
# that a later run would take for finished.
mkdir -p "$PREFIX.new/lib" "$PREFIX.new/include"
cp "$WORK/build/libjpeg.a" "$PREFIX.new/lib/"
cp "$SRC/jpeglib.h" "$SRC/jmorecfg.h" "$SRC/jerror.h" "$WORK/build/jconfig.h" "$PREFIX.new/include/"
rm -rf "$PREFIX"
mv "$PREFIX.new" "$PREFIX"
echo "$PREFIX"
