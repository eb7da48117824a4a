#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test of Pictarn:
#   1. the native suite against the simulated desktop (and dib2jpeg);
#   2. the Windows program, cross-built, end to end under Wine on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== native build and tests"
cmake --preset host
cmake --build --preset host
ctest --preset host

echo "== the Windows program, end to end under Wine"
scripts/e2e.sh
