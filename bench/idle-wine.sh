#!/usr/bin/env bash
# What the real program costs while it waits: Pictarn.exe under Wine on a
# private Xvfb display and Wine prefix, left alone for SECONDS (default 30).
# From /proc, over that time: CPU time of the program's process (all its
# threads) and of its wineserver, and wake-ups per second (voluntary context
# switches: each Sleep and each event wait that runs out ends in one). The
# main loop's pass is 1 ms of sleep and eleven waits of at most 10 ms, about
# 9 passes a second when nothing happens; under Wine each wait and each key
# query is also a round trip to wineserver, so a pass wakes some 40 times.
# A loop that spun would show a busy CPU instead. perf, when present, counts
# the passes (one sleep system call each) without slowing the program; a
# short traced window (strace) then shows the waits of each pass.
#
#   bench/idle-wine.sh [WINDOWS_BUILD_DIR] [SECONDS]
#
# WINDOWS_BUILD_DIR defaults to build/windows; a missing Pictarn.exe is built
# there (scripts/build-libjpeg-windows.sh, then the windows preset).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build/windows}")
seconds=${2:-30}

if [[ ! -f $build/Pictarn.exe ]]; then
    echo "building Pictarn.exe in $build" >&2
    "$root/scripts/build-libjpeg-windows.sh" >/dev/null
    (cd "$root" && cmake --preset windows -B "$build" >/dev/null && cmake --build "$build" -j2 --target Pictarn >/dev/null)
fi
for tool in wine wineboot wineserver Xvfb; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install wine wine64 xvfb)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/pictarn-idle.XXXXXX)
xvfb=
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=140
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$display WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

echo "preparing a Wine prefix" >&2
wineboot -i >/dev/null 2>&1
wineserver -w

mkdir "$work/run"
cp "$build/Pictarn.exe" "$work/run/"
cp "$root/release/Pictarn/1.ico" "$work/run/1.ico"
printf '7\r\n1200\r\n675\r\n\r\n' >"$work/run/Pictarn.ini"
(cd "$work/run" && exec wine Pictarn.exe >/dev/null 2>&1) &

# The process that runs Pictarn.exe, and the wineserver, of this prefix.
find_process() {
    local pattern=$1 pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/cmdline" | head -1 | grep -q "$pattern" || continue
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        echo "$pid"
        return 0
    done
    return 1
}

program=
for _ in $(seq 100); do
    program=$(find_process 'Pictarn\.exe$') && break
    sleep 0.2
done
[[ -n $program ]] || { echo "Pictarn.exe did not start" >&2; exit 1; }
server=$(find_process 'wineserver') || server=
sleep 5  # start-up done: tray icon up, loop running

# Sums over every thread of a process: CPU nanoseconds, voluntary and
# involuntary context switches.
sample() {
    local pid=$1 cpu=0 vol=0 invol=0 task v
    for task in /proc/"$pid"/task/*; do
        read -r v _ <"$task/schedstat" && cpu=$((cpu + v))
        vol=$((vol + $(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")))
        invol=$((invol + $(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$task/status")))
    done
    echo "$cpu $vol $invol"
}
main_thread() {
    local pid=$1 cpu
    read -r cpu _ <"/proc/$pid/task/$pid/schedstat"
    echo "$cpu $(awk '/^voluntary_ctxt_switches/ {v = $2} /^nonvoluntary_ctxt_switches/ {n = $2} END {print v, n}' \
        "/proc/$pid/task/$pid/status")"
}

read -r p0 pv0 pi0 < <(sample "$program")
read -r m0 mv0 mi0 < <(main_thread "$program")
[[ -n $server ]] && read -r s0 sv0 si0 < <(sample "$server")
start=$(date +%s.%N)
# Where perf can count the sleep system call (one each pass) without
# stopping the program, it counts the passes of this window too.
passes=
if command -v perf >/dev/null && perf stat -x, -e syscalls:sys_enter_pselect6 -o "$work/perf.txt" \
    -p "$program" -- sleep "$seconds" 2>/dev/null; then
    passes=$(awk -F, '/sys_enter_pselect6/ {print $1}' "$work/perf.txt")
else
    sleep "$seconds"
fi
read -r p1 pv1 pi1 < <(sample "$program")
read -r m1 mv1 mi1 < <(main_thread "$program")
[[ -n $server ]] && read -r s1 sv1 si1 < <(sample "$server")
elapsed=$(echo "$(date +%s.%N) - $start" | bc -l)
threads=$(ls /proc/"$program"/task | wc -l)

report() {  # name cpu_ns voluntary involuntary
    awk -v name="$1" -v cpu="$2" -v vol="$3" -v invol="$4" -v t="$elapsed" 'BEGIN {
        printf "%-32s CPU %8.1f ms (%5.2f %%)   wake-ups %7.1f/s   preempted %5.1f/s\n",
               name, cpu / 1e6, cpu / 1e7 / t, vol / t, invol / t }'
}
echo "Pictarn.exe under Wine, idle for $(printf '%.1f' "$elapsed") s (Wine $(wine --version 2>/dev/null | sed 's/wine-//'))"
report "Pictarn.exe ($threads threads)" $((p1 - p0)) $((pv1 - pv0)) $((pi1 - pi0))
report "Pictarn.exe, main thread" $((m1 - m0)) $((mv1 - mv0)) $((mi1 - mi0))
[[ -n $server ]] && report "wineserver" $((s1 - s0)) $((sv1 - sv0)) $((si1 - si0))
if [[ $passes =~ ^[0-9]+$ ]]; then
    awk -v n="$passes" -v t="$elapsed" 'BEGIN {
        printf "main loop: %d passes, %.2f passes/s, %.1f ms a pass (counted by perf, untraced)\n", n, n / t, 1000 * t / n }'
fi

# The pass structure, from a shorter traced window afterwards (tracing slows
# the program, so its CPU figures above are taken without): each pass
# sleeps once (pselect6) and then waits in the event waits (blocking reads
# of the wait descriptor that last until their timeout).
if command -v strace >/dev/null; then
    trace=$work/trace.txt
    timeout 10 strace -p "$program" -T -e trace=pselect6,read -o "$trace" 2>/dev/null || true
    awk '
        /^pselect6/ { sleeps++; match($0, /<[0-9.]+>$/); sleepTime += substr($0, RSTART + 1, RLENGTH - 2) }
        /^read/ { match($0, /<[0-9.]+>$/); t = substr($0, RSTART + 1, RLENGTH - 2);
                  if (t >= 0.005) { waits++; waitTime += t } }
        END {
            if (sleeps == 0) { print "traced window: no pass seen"; exit }
            printf "traced 10 s: %d passes, %.1f timed waits a pass of %.1f ms each, sleeps of %.2f ms; %.1f passes/s under the tracer\n",
                   sleeps, waits / sleeps, 1000 * waitTime / (waits ? waits : 1), 1000 * sleepTime / sleeps, sleeps / 10
        }' "$trace"
fi
