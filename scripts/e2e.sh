#!/usr/bin/env bash
# Runs the end-to-end tests: builds the Windows program with its test driver
# (the `windows` preset), builds the host's pictarn_e2e_tests against that
# build, and runs them with ctest under Wine on a virtual X display.
#
#   scripts/e2e.sh [ctest arguments...]      for example: -R Tray
#
# Environment: PICTARN_WINDOWS_BUILD_DIR (default build/windows) and
# PICTARN_HOST_BUILD_DIR (default build/host) choose the build trees.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

windows_dir=${PICTARN_WINDOWS_BUILD_DIR:-build/windows}
host_dir=${PICTARN_HOST_BUILD_DIR:-build/host}
case $windows_dir in /*) ;; *) windows_dir=$root/$windows_dir ;; esac

for tool in wine wineserver xvfb-run x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "e2e: missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

echo "== Windows build: Pictarn.exe and the test driver ($windows_dir)"
scripts/build-libjpeg-windows.sh >/dev/null
cmake --preset windows -B "$windows_dir" >/dev/null
cmake --build "$windows_dir" --parallel 2

echo "== host build of the end-to-end tests ($host_dir)"
cmake --preset host -B "$host_dir" -DPICTARN_WINDOWS_BUILD_DIR="$windows_dir" >/dev/null
cmake --build "$host_dir" --target pictarn_e2e_tests --parallel 2

echo "== end-to-end tests under Wine and Xvfb"
# One virtual screen for the whole run; the tests share it one at a time.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$host_dir" -L e2e --output-on-failure "$@"
