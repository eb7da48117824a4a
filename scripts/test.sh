#!/usr/bin/env bash
# Sets up a Debian 12 machine and runs every test of Pictarn:
#   1. the native suite against the simulated desktop (with dib2jpeg and the soak);
#   2. the same under the sanitizers, and a bounded fuzzing run;
#   3. the Windows program, cross-built, end to end under Wine on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== native build and tests"
cmake --preset host
cmake --build --preset host
ctest --preset host

echo "== the native suite under AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== fuzzing: the clipboard decoder, the settings file, scaling with the JPEG step"
scripts/fuzz.sh

echo "== the Windows program, end to end under Wine"
scripts/e2e.sh
