#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# bounded time on a copy of its seed corpus. Fails on any crash, leak,
# time-out, memory blow-up or sanitizer report; prints the executions per
# target.
#   FUZZ_SECONDS   time per target (default 60)
#   FUZZ_NO_BUILD  set to 1 to use an existing build/fuzz
# Findings are kept in build/fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build/fuzz

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ "${FUZZ_NO_BUILD:-0}" != 1 ]; then
  # libFuzzer's runtime comes in its own package on Debian.
  if ! printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' |
      clang++ -x c++ -fsanitize=fuzzer - -o "$work/probe" 2>/dev/null; then
    echo "fuzz: clang cannot link libFuzzer; install clang and libclang-rt-14-dev" >&2
    exit 1
  fi
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

# Target and the largest input worth trying: a clipboard block of a few
# thousand pixels, a settings file with lines past the 4096-byte read chunk,
# a picture header with a little pixel data.
targets=(
  "fuzz_dib_decode 65536"
  "fuzz_settings_load 12288"
  "fuzz_scale_jpeg 4096"
)

# The targets write their files under TMPDIR; memory is quicker than disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# Leaks are reported by libFuzzer itself (-detect_leaks=1). New memory is
# filled with 0xBE so that bytes nobody wrote show up in the targets' checks.
export ASAN_OPTIONS="detect_leaks=1:max_malloc_fill_size=2147483647:malloc_fill_byte=190:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=0
summary=()
for entry in "${targets[@]}"; do
  read -r name maxlen <<<"$entry"
  corpus="$work/$name"
  findings="$build/findings/$name"
  mkdir -p "$findings"
  cp -r "tests/fuzz/corpus/$name" "$corpus"
  log="$work/$name.log"
  echo "== $name: ${seconds}s, inputs up to $maxlen bytes"
  status=0
  "$build/tests/fuzz/$name" "$corpus" \
    -max_total_time="$seconds" -max_len="$maxlen" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -timeout=10 -detect_leaks=1 -print_final_stats=1 \
    -artifact_prefix="$(realpath "$findings")/" >"$log" 2>&1 || status=$?
  # libFuzzer's final stats (-print_final_stats=1) and its last status line.
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  rss="$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)"
  cov="$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1 || true)"
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$log"; then
    failed=1
    echo "$name FAILED (exit $status); the end of its log:"
    tail -40 "$log"
    ls -1 "$findings"
    summary+=("$name: FAILED after ${runs:-?} executions")
  else
    summary+=("$name: ${runs:-?} executions in ${seconds}s (${rate:-?}/s), ${cov:-?}, peak RSS ${rss:-?} MB")
  fi
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
