#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each for a bounded time, starting from its seed corpus in tests/fuzz/corpus/, as many at a time
# as there are cores.
#   scripts/fuzz.sh                       every target, 60 s each (FUZZ_SECONDS changes that)
#   FUZZ_SECONDS=3600 scripts/fuzz.sh fuzz_exchange      one target for an hour
# A crash, a leak or a broken property fails the run; the input that did it is kept in
# build/fuzz/crashes/ and printed here in hexadecimal.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(fuzz_frames fuzz_exchange fuzz_json_import fuzz_sim_state fuzz_classic_reader)
fi

scripts/deps.sh clang-14 libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
crashes=build/fuzz/crashes
mkdir -p "$crashes"
# The targets run side by side, as many at a time as there are cores (FUZZ_JOBS changes that):
# each still gets its whole time.
jobs_max=${FUZZ_JOBS:-$(nproc)}
run_target() {
    local target=$1 work="build/fuzz/corpus/$1"
    # New inputs go into a working corpus under build/, never into the repository's seeds.
    mkdir -p "$work"
    local status=0
    build/fuzz/bin/"$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$crashes/$target-" "$work" "tests/fuzz/corpus/$target" \
        >"build/fuzz/$target.log" 2>&1 || status=$?
    echo "$status" >"build/fuzz/$target.status"
}
for target in "${targets[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs_max)); do
        wait -n || true
    done
    echo "== $target: $seconds s"
    run_target "$target" &
done
wait

passed=0
failed=0
for target in "${targets[@]}"; do
    if [[ "$(cat "build/fuzz/$target.status")" == 0 ]]; then
        echo "-- $target"
        grep -E "^Done|stat::number_of_executed_units" "build/fuzz/$target.log" || true
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "-- $target failed:"
        tail -n 60 "build/fuzz/$target.log"
        for input in "$crashes/$target"-*; do
            [[ -f "$input" ]] || continue
            echo "-- input kept in $input ($(stat -c %s "$input") bytes), in hexadecimal:"
            od -An -tx1 -v "$input" | head -n 64
        done
    fi
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
