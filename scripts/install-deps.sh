#!/usr/bin/env bash
# Installs the Debian 12 packages Pictarn's builds and tests need.
# Usage: scripts/install-deps.sh   (runs apt-get only when something is missing)
set -euo pipefail

packages=(
  # native build and tests
  build-essential cmake libjpeg62-turbo-dev libgtest-dev libbenchmark-dev
  # sanitizers and libFuzzer (clang only recommends its runtime)
  clang libclang-rt-14-dev
  # the Windows program: cross compiler, libjpeg-turbo's source and SIMD assembler
  g++-mingw-w64-x86-64-posix mingw-w64-tools nasm dpkg-dev
  # running it: Wine on a virtual X display
  wine wine64 xvfb xauth x11-utils imagemagick icoutils
  # JPEG tools and Python with Pillow for checks and comparisons
  libjpeg-turbo-progs python3-pil python3-numpy
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
