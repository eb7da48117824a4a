#!/usr/bin/env bash
# Builds and runs Pictarn's benchmarks, then the comparison with other
# programs, and draws the plot of docs/performance.md from the results.
#
#   scripts/bench.sh [--quick] [BUILD_DIR]
#
# BUILD_DIR defaults to build/host (the host preset, which builds the
# benchmarks); another directory is configured with the same settings.
# Results go to BUILD_DIR/bench-results: pipeline.json (Google Benchmark),
# peak_memory.txt, peers.txt and peers.csv, and performance.png, which is
# copied to docs/performance.png. --quick runs every benchmark briefly and
# the comparison on 3840x2160 only (about a minute instead of several).
# The idle measurement under Wine is separate: bench/idle-wine.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
if [[ ${1:-} == --quick ]]; then
    quick=1
    shift
fi
build=${1:-build/host}
results=$build/bench-results
targets=(pictarn_bench pictarn_peak_memory make_screen dib2jpeg)

echo "== build ($build)"
if [[ $build == build/host ]]; then
    cmake --preset host >/dev/null
    cmake --build --preset host --target "${targets[@]}"
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTARN_WERROR=ON -DPICTARN_BENCH=ON >/dev/null
    cmake --build "$build" -j2 --target "${targets[@]}"
fi
mkdir -p "$results"

echo "== pipeline benchmarks"
if [[ $quick -eq 1 ]]; then
    bench_args=(--benchmark_min_time=0.05)
else
    bench_args=(--benchmark_min_time=0.3 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true)
fi
"$build/bench/pictarn_bench" "${bench_args[@]}" \
    --benchmark_out="$results/pipeline.json" --benchmark_out_format=json

echo "== peak resident memory of one run"
"$build/bench/pictarn_peak_memory" 1920x1080 2560x1440 3840x2160 7680x4320 | tee "$results/peak_memory.txt"

echo "== whole processes side by side"
peers_args=(--build "$build" --csv "$results/peers.csv")
[[ $quick -eq 1 ]] && peers_args+=(--no-series --runs 5)
scripts/bench-peers "${peers_args[@]}" | tee "$results/peers.txt"

echo "== plot"
if ! /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3-matplotlib >/dev/null ||
        { "${sudo[@]}" apt-get update -qq && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3-matplotlib >/dev/null; }
fi
/usr/bin/python3 bench/plot_performance.py "$results/pipeline.json" "$results/peers.csv" "$results/performance.png"
cp "$results/performance.png" docs/performance.png
echo "results in $results; plot in docs/performance.png"
