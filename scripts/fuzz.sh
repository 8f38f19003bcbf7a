#!/usr/bin/env bash
# Runs a libFuzzer campaign on one fuzz target or on all of them, each for the
# given number of seconds or until RUNS executions, starting from the target's
# corpus in the repository, and prints per target the executions, speed, CPU
# and wall seconds, coverage (edges), features and the inputs in the corpus.
#
#   scripts/fuzz.sh TARGET|all SECONDS [RUNS]
#
# Builds the `fuzz` preset (clang, AddressSanitizer + UBSan, every library
# instrumented) into build-fuzz/, and the `fuzz-gui` preset (the same with the
# Qt layers, for the skin files) into build-fuzz-gui/ when a target needs it.
# New inputs found go to build-fuzz/corpus/;
# a crash leaves its input in build-fuzz/crashes/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: scripts/fuzz.sh TARGET|all SECONDS [RUNS]" >&2
    exit 2
fi
which="$1"
seconds="$2"
runs_limit=()
if [ $# -eq 3 ]; then
    runs_limit=(-runs="$3")
fi

# Target, then its seed folder in the repository (empty: none).
targets=(
    "fuzz_ini tests/platform/ini_corpus"
    "fuzz_hid_descriptor ../shared/testdata/hid"
    "fuzz_protocol_responses "
    "fuzz_action_line tests/macros/fuzz_corpus/action_line"
    "fuzz_macro_files tests/macros/fuzz_corpus/macro_files"
    "fuzz_profile_file "
    "fuzz_profile_index tests/profiles/index_corpus"
    "fuzz_command_line tests/app/fuzz_corpus/command_line"
    "fuzz_device_blocks "
    "fuzz_platform_text tests/platform/text_corpus"
    "fuzz_skin_files tests/ui/skin_corpus"
    "fuzz_control_requests tests/control/fuzz_corpus/requests"
)
# Targets built with the Qt layers.
gui_targets=" fuzz_skin_files "

status=0
printf '%-26s %12s %8s %8s %8s %7s %7s %7s\n' target executions exec/s cpu-s wall-s cov ft corpus
for entry in "${targets[@]}"; do
    name="${entry%% *}"
    seeds="${entry#* }"
    if [ "$which" != all ] && [ "$which" != "$name" ]; then
        continue
    fi
    preset=fuzz
    case "$gui_targets" in *" $name "*) preset=fuzz-gui ;; esac
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target "$name" >/dev/null
    binary="$(find "build-$preset/tests" -type f -name "$name" -perm -u+x | head -n 1)"
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus" build-fuzz/crashes
    log="build-fuzz/$name.log"
    args=("$corpus")
    if [ -n "$seeds" ] && [ -d "$seeds" ]; then
        args+=("$seeds")
    fi
    # Wall, user and system seconds of the run (bash's `time`).
    TIMEFORMAT='%R %U %S'
    if ! { time LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" "$binary" -max_total_time="$seconds" \
        "${runs_limit[@]}" -print_final_stats=1 -artifact_prefix=build-fuzz/crashes/"$name"- \
        "${args[@]}" >"$log" 2>&1; } 2>"$log.time"; then
        echo "$name: failed, see $log" >&2
        status=1
    fi
    read -r wall user system <"$log.time" || true
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)"
    ft="$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)"
    units="$(grep -o 'corp: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)"
    cpu="$(awk -v u="${user:-0}" -v s="${system:-0}" 'BEGIN { printf "%.1f", u + s }')"
    printf '%-26s %12s %8s %8s %8.1f %7s %7s %7s\n' "$name" "${runs:-?}" "${speed:-?}" "$cpu" \
        "${wall:-0}" "${cov:-?}" "${ft:-?}" "${units:-?}"
done
exit $status
