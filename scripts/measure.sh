#!/usr/bin/env bash
# Measures the program of a build and prints each figure as a ratio against
# its goal (a ratio at or below 1.00 meets the goal):
#
#   CPU with no device, hidden in the tray      goal <= 0.05 % of a core
#   CPU with the window shown, previews lit     goal <= 3 %
#   CPU with the window minimised               goal <= 0.2 %
#   window shown at a start without a device    goal: never
#   start-up to the window shown (emulated)     goal <= 1000 ms
#   resident memory, every page built           goal <= 60 MB
#   and the DPI, block transfer and light frame benchmarks (their own ratios).
#
# CPU is the time the program's threads ran (/proc/<pid>/task/*/schedstat)
# over a fixed window, so it is a share of one core; context switches come
# from the same threads. Other work on the machine makes these figures noisy:
# compare runs on one machine, not against another machine's.
#
# Usage: scripts/measure.sh [build-dir] (default: build). Needs Xvfb (unless a
# display is set) and xdotool; uses openbox when it is installed so that the
# minimised window is iconic as on a desktop. Takes about a minute. It is a
# measurement, not a test: it exits 0 unless the program cannot be run.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/zk412v
window_s=${ZK_MEASURE_SECONDS:-8}

if [[ ! -x $bin ]]; then
    echo "measure: no program at $bin" >&2
    exit 1
fi
if [[ -z ${DISPLAY:-} && -z ${ZK_MEASURE_IN_X:-} ]]; then
    exec env ZK_MEASURE_IN_X=1 xvfb-run -a -s '-screen 0 1280x800x24' "$0" "$@"
fi
if ! command -v xdotool >/dev/null; then
    echo "measure: xdotool is needed" >&2
    exit 1
fi

scratch=$(mktemp -d)
wm=
app=
cleanup() {
    [[ -n $app ]] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [[ -n $wm ]] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
fi

now_ms() { date +%s%3N; }

# CPU nanoseconds and context switches of every thread of a process.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/ctxt_switches/ { s += $2 } END { printf "%d", s }'
}

# Starts the program in a home of its own; `app` holds its pid.
start_app() {
    local home
    home=$(mktemp -d "$scratch/home.XXXX")
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=xcb "$@" "$bin" "${start_args[@]}" \
        >"$scratch/app.log" 2>&1 &
    app=$!
}
stop_app() {
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    app=
}

main_window() { xdotool search --onlyvisible --name '^ORVANE ZK412V$' 2>/dev/null | head -1; }

# Prints "<percent of a core> <switches a second>" over the window.
sample() {
    local c0 s0 t0 c1 s1 t1
    c0=$(cpu_ns "$app") s0=$(switches "$app") t0=$(date +%s%N)
    sleep "$window_s"
    c1=$(cpu_ns "$app") s1=$(switches "$app") t1=$(date +%s%N)
    awk -v c="$((c1 - c0))" -v s="$((s1 - s0))" -v t="$((t1 - t0))" \
        'BEGIN { printf "%.3f %.1f", 100 * c / t, s * 1e9 / t }'
}

row() { # name value unit goal
    awk -v n="$1" -v v="$2" -v u="$3" -v g="$4" \
        'BEGIN { printf "%-44s %10.3f %-4s goal %8.3f %-4s ratio %6.2f\n", n, v, u, g, u, (g > 0 ? v / g : v) }'
}

echo "zk412v measurements: $bin, $(nproc) cores, ${window_s} s windows"

# 1. No device, a tray: the window never shows and the program sleeps.
start_args=()
start_app ZK412V_TRAY=1
shown=0
deadline=$(($(now_ms) + 3000))
while (($(now_ms) < deadline)); do
    [[ -n $(main_window) ]] && shown=$((shown + 1))
    sleep 0.02
done
sleep 1
read -r idle_cpu idle_sw < <(sample)
stop_app
row "CPU, no device, hidden (% of a core)" "$idle_cpu" "%" 0.05
printf '%-44s %10.1f /s\n' "  context switches" "$idle_sw"
row "window shown at a start without a device" "$shown" "x" 0

# 2. Emulated devices, the window shown with its light previews.
start_args=(--emulate)
t0=$(now_ms)
start_app ZK412V_TRAY=1
wid=
while [[ -z $wid ]] && (($(now_ms) - t0 < 20000)); do
    sleep 0.02
    wid=$(main_window)
done
startup=$(($(now_ms) - t0))
if [[ -z $wid ]]; then
    echo "measure: the window never showed with emulated devices" >&2
    exit 1
fi
sleep 4 # the light tickers start after 3 s
read -r anim_cpu anim_sw < <(sample)
rss_kb=$(awk '/VmRSS/ { print $2 }' /proc/"$app"/status)
row "CPU, window shown, previews animating (%)" "$anim_cpu" "%" 3
printf '%-44s %10.1f /s\n' "  context switches" "$anim_sw"
row "start-up to the window shown (ms)" "$startup" "ms" 1000
row "resident memory (MB)" "$(awk -v k="$rss_kb" 'BEGIN { print k / 1024 }')" "MB" 60

# 3. The same window minimised.
xdotool windowminimize "$wid" 2>/dev/null
sleep 1.5
read -r min_cpu min_sw < <(sample)
stop_app
row "CPU, window minimised (%)" "$min_cpu" "%" 0.2
printf '%-44s %10.1f /s\n' "  context switches" "$min_sw"
[[ -z $wm ]] && echo "  (no window manager: the minimised window stays mapped)"

# 4. The benchmarks, where the build has them.
for bench in dpi/bench_dpi protocol/bench_protocol lighting/bench_lighting; do
    exe=$build/bench/$bench
    [[ -x $exe ]] || { echo "${bench##*/}: not built (configure with -DZK_BUILD_BENCH=ON)"; continue; }
    args=()
    [[ $bench == lighting/* ]] && args=(--benchmark_min_time=0.02)
    home=$(mktemp -d "$scratch/bench.XXXX")
    out=$(HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=offscreen timeout 120 "$exe" "${args[@]}" 2>/dev/null)
    echo "${bench##*/}: $(printf '%s\n' "$out" | grep -E 'ratio|bound' | tail -1)"
done
exit 0
